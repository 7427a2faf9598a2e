#!/usr/bin/python3
"""Bridge between Quillon's office engine and a headless LibreOffice.

Started by the engine with the profile folder as its only argument; starts one
office process with that private profile, then reads one JSON command per line
on standard input and answers each with one JSON line on standard output:
{"ok": true, ...} or {"ok": false, "error": "..."}. The office ends on "quit"
or when standard input closes.

When a command fails because the office itself is gone (it crashed, or its
connection was disposed), the answer carries "office_lost": true, so that the
engine can end this bridge and start a fresh one for the next page. "ping"
answers {"ok": true} only while the office still serves calls.

Pages are opened read-only as Writer text ("HTML (StarWriter)"). Pictures are
kept only when they resolve inside the package folder (the folder above the
page's own); every other picture is removed when the page is opened, because
the Word 97 export would otherwise copy the outside file into the document.
The office's private profile sends every internet access to a closed port, so
remote pictures and style sheets are never fetched.
"""

import hashlib
import json
import os
import shutil
import signal
import stat
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

START_TIMEOUT = 90.0
HMM_PER_POINT = 2540.0 / 72.0
BOLD = 150.0
NORMAL = 100.0
# Word alignment (0 left, 1 centre, 2 right, 3 justify) -> ParagraphAdjust.
ADJUST = {0: 0, 1: 3, 2: 1, 3: 2}
# Word's default distance of header and footer from the page edge.
HEADER_DISTANCE_PT = 36


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def hmm(points):
    return int(round(points * HMM_PER_POINT))


def find_office():
    chosen = os.environ.get("QUILLON_SOFFICE")
    if chosen:
        return chosen if os.access(chosen, os.X_OK) else None
    for name in ("soffice", "libreoffice"):
        path = shutil.which(name)
        if path:
            return path
    for path in ("/usr/lib/libreoffice/program/soffice", "/opt/libreoffice/program/soffice"):
        if os.path.exists(path):
            return path
    return None


# Every internet access of the office goes to a proxy that is not there: a
# page that names a remote picture or style sheet makes no request, and only
# the package's own files reach the document.
OFFLINE_SETTINGS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" \
xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
%s
</oor:items>
"""
OFFLINE_VALUES = [("ooInetProxyType", "1"), ("ooInetNoProxy", "")] + [
    (key % scheme, value) for scheme in ("HTTP", "HTTPS", "FTP")
    for key, value in (("ooInet%sProxyName", "127.0.0.1"), ("ooInet%sProxyPort", "9"))]


def write_offline_settings(profile):
    user = os.path.join(profile, "user")
    path = os.path.join(user, "registrymodifications.xcu")
    if os.path.exists(path):
        return
    os.makedirs(user, exist_ok=True)
    items = "\n".join(
        '<item oor:path="/org.openoffice.Inet/Settings"><prop oor:name="%s" oor:op="fuse">'
        '<value>%s</value></prop></item>' % (name, value) for name, value in OFFLINE_VALUES)
    with open(path, "w", encoding="utf-8") as f:
        f.write(OFFLINE_SETTINGS % items)


class Office:
    def __init__(self, profile):
        office = find_office()
        if not office:
            raise RuntimeError("LibreOffice (soffice) is not installed")
        os.makedirs(profile, exist_ok=True)
        write_offline_settings(profile)
        self.profile_url = uno.systemPathToFileUrl(os.path.abspath(profile))
        self.pipe = "quillon_%d_%d" % (os.getpid(), int(time.time() * 1000))
        # The office's temporary files go into the profile, which lives in the
        # workspace and goes with it, instead of piling up in the system's
        # temporary folder.
        temp = os.path.join(os.path.abspath(profile), "tmp")
        os.makedirs(temp, exist_ok=True)
        env = dict(os.environ, TMPDIR=temp, TMP=temp, TEMP=temp)
        args = [office, "--headless", "--invisible", "--nologo", "--norestore", "--nodefault",
                "--nolockcheck", "--nofirststartwizard",
                "-env:UserInstallation=" + self.profile_url,
                "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe]
        self.proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True, env=env)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.time() + START_TIMEOUT
        while True:
            try:
                self.ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except NoConnectException:
                if self.proc.poll() is not None:
                    self.remove_pipe()
                    raise RuntimeError("LibreOffice exited at start-up (status %d)" % self.proc.returncode)
                if time.time() > deadline:
                    self.kill()
                    raise RuntimeError("LibreOffice did not answer")
                time.sleep(0.2)
        smgr = self.ctx.ServiceManager
        self.desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", self.ctx)
        self.graphics = smgr.createInstanceWithContext("com.sun.star.graphic.GraphicProvider", self.ctx)
        self.docs = {}
        self.next_id = 1

    def alive(self):
        """True while the office process runs and answers over its connection."""
        if self.proc.poll() is not None:
            return False
        try:
            self.desktop.getFrames()
            return True
        except Exception:
            return False

    def ping(self, cmd):
        if not self.alive():
            raise RuntimeError("the office is gone")
        return {}

    def kill(self):
        # The launcher leads a session of its own: its group holds the office.
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except OSError:
            pass
        self.proc.wait()
        self.remove_pipe()

    def remove_pipe(self):
        """Removes the sockets of the office's pipes once the office has ended:
        an office that is killed leaves them in the system's temporary folder.
        These are the connection pipe of this run's name and the office's
        single-instance pipe, named after the MD5 of the profile's URL
        (UTF-16, each byte in hex without padding); the profile belongs to
        this engine alone. Only sockets of ours of exactly these names go."""
        digest = hashlib.md5(self.profile_url.encode("utf-16-le")).digest()
        pipes = (self.pipe, "SingleOfficeIPC_" + "".join("%x" % b for b in digest))
        for pipe in pipes:
            name = "OSL_PIPE_%d_%s" % (os.getuid(), pipe)
            for folder in ("/tmp", "/var/tmp"):
                path = os.path.join(folder, name)
                try:
                    st = os.lstat(path)
                    if stat.S_ISSOCK(st.st_mode) and st.st_uid == os.getuid():
                        os.unlink(path)
                except OSError:
                    pass

    def quit(self):
        for entry in list(self.docs.values()):
            try:
                entry["doc"].close(True)
            except Exception:
                pass
        self.docs.clear()
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(timeout=30)
            self.remove_pipe()
        except subprocess.TimeoutExpired:
            self.kill()

    # -- documents --------------------------------------------------------
    def entry(self, cmd):
        doc_id = cmd.get("doc")
        if doc_id not in self.docs:
            raise RuntimeError("no open document %r" % doc_id)
        return self.docs[doc_id]

    def open(self, cmd):
        page = os.path.abspath(cmd["path"])
        if not os.path.isfile(page):
            raise RuntimeError("no page at %s" % page)
        args = (prop("FilterName", "HTML (StarWriter)"), prop("ReadOnly", bool(cmd.get("read_only", True))),
                prop("Hidden", True), prop("MacroExecutionMode", 0), prop("UpdateDocMode", 0))
        doc = self.desktop.loadComponentFromURL(uno.systemPathToFileUrl(page), "_blank", 0, args)
        if doc is None:
            raise RuntimeError("the page could not be opened")
        root = os.path.realpath(os.path.dirname(os.path.dirname(page)))
        doc_id = self.next_id
        self.next_id += 1
        entry = {"doc": doc, "root": root, "page": {}, "header": {}, "footer": {}}
        self.docs[doc_id] = entry
        removed = self.drop_outside_pictures(entry)
        return {"doc": doc_id, "removed": removed}

    def close(self, cmd):
        entry = self.entry(cmd)
        del self.docs[cmd["doc"]]
        entry["doc"].close(True)
        return {}

    def save(self, cmd):
        entry = self.entry(cmd)
        target = os.path.abspath(cmd["path"])
        if cmd.get("format", 0) != 0:
            raise RuntimeError("only the Word 97-2003 format is written")
        try:
            entry["doc"].storeToURL(uno.systemPathToFileUrl(target),
                                    (prop("FilterName", "MS Word 97"), prop("Overwrite", True)))
        except Exception:
            self.drop_own_lock(target)
            raise
        return {}

    def drop_own_lock(self, target):
        """Removes the lock file that a failed store of this office left beside
        the target (an office that crashes while writing leaves it behind).
        A lock that names another office's profile is left alone."""
        lock = os.path.join(os.path.dirname(target), ".~lock." + os.path.basename(target) + "#")
        try:
            with open(lock, "r", encoding="utf-8", errors="replace") as f:
                owner = f.read()
            if owner.rstrip().endswith("," + self.profile_url + ";"):
                os.remove(lock)
        except OSError:
            pass

    # -- pictures ---------------------------------------------------------
    def inside(self, entry, url):
        if not url.startswith("file://"):
            return False
        path = os.path.realpath(uno.fileUrlToSystemPath(url))
        return path.startswith(entry["root"] + os.sep) and os.path.isfile(path)

    def picture_list(self, entry):
        out = []
        objects = entry["doc"].getGraphicObjects()
        for name in objects.getElementNames():
            obj = objects.getByName(name)
            graphic = obj.Graphic
            linked = bool(graphic is not None and graphic.getPropertyValue("Linked"))
            out.append({"name": name, "inline": obj.AnchorType.value == "AS_CHARACTER", "linked": linked,
                        "url": graphic.getPropertyValue("OriginURL") if graphic is not None else ""})
        return out

    def drop_outside_pictures(self, entry):
        removed = 0
        objects = entry["doc"].getGraphicObjects()
        for pic in self.picture_list(entry):
            if pic["linked"] and not self.inside(entry, pic["url"]):
                obj = objects.getByName(pic["name"])
                obj.getAnchor().getText().removeTextContent(obj)
                removed += 1
        return removed

    def pictures(self, cmd):
        return {"pictures": self.picture_list(self.entry(cmd))}

    def embed(self, cmd):
        entry = self.entry(cmd)
        objects = entry["doc"].getGraphicObjects()
        if not objects.hasByName(cmd["name"]):
            raise RuntimeError("no picture %r" % cmd["name"])
        obj = objects.getByName(cmd["name"])
        url = obj.Graphic.getPropertyValue("OriginURL")
        if not self.inside(entry, url):
            raise RuntimeError("picture %r is outside the package" % cmd["name"])
        with open(uno.fileUrlToSystemPath(url), "rb") as f:
            data = f.read()
        stream = self.ctx.ServiceManager.createInstanceWithArgumentsAndContext(
            "com.sun.star.io.SequenceInputStream", (uno.ByteSequence(data),), self.ctx)
        graphic = self.graphics.queryGraphic((prop("InputStream", stream),))
        if graphic is None:
            raise RuntimeError("picture %r cannot be read" % cmd["name"])
        obj.Graphic = graphic
        return {}

    # -- page, header, footer, view ---------------------------------------
    def page_style(self, entry):
        doc = entry["doc"]
        name = doc.getText().createTextCursor().getPropertyValue("PageStyleName")
        return doc.getStyleFamilies().getByName("PageStyles").getByName(name)

    def page(self, cmd):
        entry = self.entry(cmd)
        entry["page"][cmd["name"]] = int(cmd["points"])
        self.apply_page(entry)
        return {}

    def apply_page(self, entry):
        # Margins are Word's: the distance from the page edge to the body text.
        # With a header or footer on, LibreOffice counts that block inside the
        # body area, so the block is carved out of the margin instead.
        style = self.page_style(entry)
        page = entry["page"]
        if "width" in page:
            style.Width = hmm(page["width"])
        if "height" in page:
            style.Height = hmm(page["height"])
        if "left" in page:
            style.LeftMargin = hmm(max(page["left"], 0))
        if "right" in page:
            style.RightMargin = hmm(max(page["right"], 0))
        for edge, kind in (("top", "header"), ("bottom", "footer")):
            if edge not in page:
                continue
            margin = max(page[edge], 0)
            prefix = "Header" if kind == "header" else "Footer"
            if entry[kind]:
                distance = min(HEADER_DISTANCE_PT, margin / 2.0)
                block = max(margin - distance, 1.0)
                setattr(style, edge.capitalize() + "Margin", hmm(distance))
                style.setPropertyValue(prefix + "IsDynamicHeight", False)
                style.setPropertyValue(prefix + "BodyDistance", hmm(min(block / 2.0, 12.0)))
                style.setPropertyValue(prefix + "Height", hmm(block))
            else:
                setattr(style, edge.capitalize() + "Margin", hmm(margin))

    def header_footer(self, cmd):
        entry = self.entry(cmd)
        kind = cmd["kind"]
        if kind not in ("header", "footer"):
            raise RuntimeError("no %r in a page" % kind)
        state = entry[kind]
        for key in ("font", "size", "bold", "align", "text"):
            if key in cmd:
                state[key] = cmd[key]
        style = self.page_style(entry)
        prefix = "Header" if kind == "header" else "Footer"
        style.setPropertyValue(prefix + "IsOn", True)
        text = style.getPropertyValue(prefix + "Text")
        text.setString(state.get("text", ""))
        cursor = text.createTextCursor()
        cursor.gotoStart(False)
        cursor.gotoEnd(True)
        if "font" in state:
            for name in ("CharFontName", "CharFontNameAsian", "CharFontNameComplex"):
                cursor.setPropertyValue(name, state["font"])
        if "size" in state:
            for name in ("CharHeight", "CharHeightAsian", "CharHeightComplex"):
                cursor.setPropertyValue(name, float(state["size"]))
        if "bold" in state:
            weight = BOLD if state["bold"] else NORMAL
            for name in ("CharWeight", "CharWeightAsian", "CharWeightComplex"):
                cursor.setPropertyValue(name, weight)
        if "align" in state:
            if state["align"] not in ADJUST:
                raise RuntimeError("alignment %r is not known" % state["align"])
            cursor.setPropertyValue("ParaAdjust", ADJUST[state["align"]])
        self.apply_page(entry)
        return {}

    def view(self, cmd):
        entry = self.entry(cmd)
        controller = entry["doc"].getCurrentController()
        if controller is not None:
            # 3 is the print layout; anything else shows the online layout.
            controller.getViewSettings().setPropertyValue("ShowOnlineLayout", cmd.get("type") != 3)
        return {}

    def undo_clear(self, cmd):
        entry = self.entry(cmd)
        entry["doc"].getUndoManager().clear()
        return {}


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: office_bridge.py PROFILE_DIR\n")
        return 2
    # Ctrl-C in the terminal reaches the engine's whole process group: the
    # bridge stays until its input closes, so that it can still end the office.
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    out = sys.stdout
    try:
        office = Office(sys.argv[1])
    except Exception as e:  # reported to the engine, which refuses to start
        out.write(json.dumps({"ok": False, "error": str(e)}) + "\n")
        out.flush()
        return 1
    out.write(json.dumps({"ok": True, "ready": True, "office_pid": office.proc.pid}) + "\n")
    out.flush()
    handlers = {"open": office.open, "close": office.close, "save": office.save, "pictures": office.pictures,
                "embed": office.embed, "page": office.page, "headerfooter": office.header_footer,
                "view": office.view, "undoclear": office.undo_clear, "ping": office.ping}
    for raw in sys.stdin.buffer:
        line = raw.decode("utf-8", "surrogateescape").strip()
        if not line:
            continue
        try:
            cmd = json.loads(line)
            name = cmd.get("cmd")
            if name == "quit":
                office.quit()
                out.write(json.dumps({"ok": True}) + "\n")
                out.flush()
                return 0
            if name not in handlers:
                raise RuntimeError("unknown command %r" % name)
            answer = handlers[name](cmd)
            answer["ok"] = True
        except Exception as e:
            answer = {"ok": False, "error": str(e) or e.__class__.__name__}
            if not office.alive():
                # Whatever is left of it goes now, with its pipes, before the
                # engine hears of it and ends this bridge.
                office.kill()
                answer["office_lost"] = True
        out.write(json.dumps(answer) + "\n")
        out.flush()
    office.quit()
    return 0


if __name__ == "__main__":
    sys.exit(main())
