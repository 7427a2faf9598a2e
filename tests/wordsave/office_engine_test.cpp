// The office engine against a real LibreOffice: a page opened read-only, page
// setup, header and footer, pictures, the Word 97-2003 file it writes (read
// back with doccheck). Skipped where LibreOffice is not installed.
#include "wordsave/office/office_engine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "convert/state.h"
#include "quillon_version.h"
#include "wordsave/word_automation.h"

namespace quillon {
namespace {

const unsigned char kRedPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08, 0x08, 0x02, 0x00, 0x00, 0x00, 0x4b,
    0x6d, 0x29, 0xdc, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xf8,
    0xcf, 0xc0, 0x80, 0x15, 0x31, 0x0c, 0x2d, 0x09, 0x00, 0x28, 0xff, 0x3f, 0xc1, 0xce, 0x77,
    0xc8, 0x4f, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

bool OfficeInstalled() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

std::string MakeTempDir() {
  char pattern[] = "/tmp/quillon-office-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "";
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

// doccheck's "key: value" facts about a .doc.
std::map<std::string, std::string> DocCheck(const std::string& path) {
  std::map<std::string, std::string> facts;
  const std::string command =
      std::string(QUILLON_SHARED_DIR) + "/tools/doccheck '" + path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return facts;
  char line[4096];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    size_t colon = s.find(": ");
    if (colon != std::string::npos) facts[s.substr(0, colon)] = s.substr(colon + 2);
  }
  pclose(pipe);
  return facts;
}

// Ids of the running processes whose command line holds both |program| and
// |marker| (a test's private folder, so only offices this test started).
std::vector<pid_t> ProcessesWith(const std::string& program, const std::string& marker) {
  std::vector<pid_t> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (cmdline.find(program) != std::string::npos && cmdline.find(marker) != std::string::npos) {
      found.push_back(static_cast<pid_t>(std::stol(name)));
    }
  }
  return found;
}

// Kills the processes with SIGKILL and waits (up to 10 s) until they are gone.
void KillAndWait(const std::vector<pid_t>& pids) {
  for (pid_t pid : pids) kill(pid, SIGKILL);
  for (int i = 0; i < 500; ++i) {
    bool any = false;
    for (pid_t pid : pids) {
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string line;
      std::getline(stat, line);
      // A zombie (state Z) waits only for its parent to reap it.
      const size_t close = line.rfind(')');
      if (!line.empty() && close != std::string::npos && line.substr(close + 2, 1) != "Z") {
        any = true;
      }
    }
    if (!any) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Names of the connection-pipe sockets the office of bridge |bridge_pid| may
// have left in the system's temporary folders.
std::vector<std::string> LeftPipesOf(pid_t bridge_pid) {
  const std::string prefix =
      "OSL_PIPE_" + std::to_string(getuid()) + "_quillon_" + std::to_string(bridge_pid) + "_";
  std::vector<std::string> left;
  for (const char* folder : {"/tmp", "/var/tmp"}) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0) left.push_back(entry.path().string());
    }
  }
  return left;
}

// True when |path| holds a compound file (the container of a Word .doc).
bool IsCompoundFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[8] = {};
  in.read(magic, sizeof magic);
  return in.gcount() == 8 && std::string(magic, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
}

class QuietHost : public WordHost {
 public:
  void StepGauge(const std::string&) override { ++gauge_steps; }
  void ShowStatus(const std::string& text) override { status = text; }
  void ShowMessage(const std::string& text, const std::string&) override {
    messages.push_back(text);
  }
  int gauge_steps = 0;
  std::string status;
  std::vector<std::string> messages;
};

class OfficeEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OfficeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    root_ = MakeTempDir();
    ASSERT_FALSE(root_.empty());
    ASSERT_EQ(
        std::system(("mkdir -p '" + root_ + "/ws/pkg/word/media' '" + root_ + "/outside'").c_str()),
        0);
    const std::string png(reinterpret_cast<const char*>(kRedPng), sizeof kRedPng);
    WriteFile(root_ + "/ws/pkg/word/media/in.png", png);
    WriteFile(root_ + "/outside/out.png", png);
    WriteFile(root_ + "/outside/secret.txt", "secret");
  }
  void TearDown() override {
    if (!root_.empty()) std::system(("rm -rf '" + root_ + "'").c_str());
  }

  std::string Page(const std::string& body) {
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
           "charset=utf-8\"></head><body>" +
           body + "</body></html>";
  }

  std::string root_;
};

TEST_F(OfficeEngineTest, SavesWordDocumentWithPageHeaderFooterAndOnlyPackagePictures) {
  const std::string page = root_ + "/ws/pkg/word/doc.htm";
  WriteFile(
      page,
      Page("<p>Quillon office engine check</p>"
           "<p><img src=\"media/in.png\" width=\"40\" height=\"40\"></p>"
           "<p><img src=\"" +
           root_ +
           "/outside/out.png\" width=\"40\" height=\"40\"></p>"
           "<p><img src=\"../../../outside/out.png\" width=\"40\" height=\"40\" align=\"left\"></p>"
           "<p><img src=\"http://127.0.0.1:9/x.png\" width=\"40\" height=\"40\"></p>"
           "<table border=\"1\"><tr><td>cell one</td><td>cell two</td></tr></table>"));
  State().PageSettings = {"816", "1056", "96", "120", "96", "100"};
  QuietHost host;
  WordAutomation word(host);
  word.StartWord("office", EngineOptions{root_ + "/ws/"});
  ASSERT_TRUE(word.Started()) << (host.messages.empty() ? "" : host.messages[0]);
  const std::string target = root_ + "/result.doc";
  word.SaveAsDoc(page, target);
  EXPECT_EQ(host.gauge_steps, 3);
  EXPECT_EQ(host.status, "Saving " + target);
  // A second page in the same office process.
  WriteFile(page, Page("<p>Second page</p>"));
  State().PageSettings.bottom = "0";  // -10 points: taken as no margin
  word.SaveAsDoc(page, root_ + "/second.doc");
  word.QuitWord();

  auto facts = DocCheck(target);
  EXPECT_EQ(facts["verdict"], "ok");
  EXPECT_EQ(facts["fib_wident"], "0xa5ec");
  EXPECT_EQ(facts["sep_page_width_pt"], "612.00");
  EXPECT_EQ(facts["sep_page_height_pt"], "792.00");
  EXPECT_EQ(facts["sep_margin_left_pt"], "75.00");
  EXPECT_EQ(facts["sep_margin_right_pt"], "90.00");
  EXPECT_EQ(facts["sep_margin_top_pt"], "72.00");
  EXPECT_EQ(facts["sep_margin_bottom_pt"], "62.00");
  EXPECT_EQ(facts["header_text"], "Generated by Quillon");
  EXPECT_EQ(facts["header_font"], "Verdana");
  EXPECT_EQ(facts["header_font_size"], "10pt");
  EXPECT_EQ(facts["header_bold"], "yes");
  EXPECT_EQ(facts["footer_text"], QUILLON_PUBLISHER_URL);
  EXPECT_EQ(facts["footer_font_size"], "9pt");
  EXPECT_EQ(facts["footer_bold"], "no");
  EXPECT_EQ(facts["footer_align"], "end");
  EXPECT_EQ(facts["tables"], "1");
  // Only the package's own picture is in the document, and it is embedded.
  EXPECT_EQ(facts["images"], "1");
  EXPECT_EQ(facts["images_embedded"], "1");
  EXPECT_EQ(facts["images_linked"], "0");

  auto second = DocCheck(root_ + "/second.doc");
  EXPECT_EQ(second["verdict"], "ok");
  // No margin below the text: the footer block keeps the least height the
  // office allows, not a failure.
  EXPECT_LE(
      std::stod(second["sep_margin_bottom_pt"].empty() ? "99" : second["sep_margin_bottom_pt"]),
      1.0);
  EXPECT_EQ(second["images"], "0");
}

// A listening socket on 127.0.0.1: any connection attempt to it (even one
// never accepted) makes it readable.
class Listener {
 public:
  Listener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) == 0 &&
        listen(fd_, 8) == 0 && getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      port_ = ntohs(addr.sin_port);
    }
  }
  ~Listener() {
    if (fd_ >= 0) close(fd_);
  }
  int port() const { return port_; }
  bool Contacted() const {
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

TEST_F(OfficeEngineTest, RemoteReferencesAreNeverFetched) {
  Listener server;
  ASSERT_GT(server.port(), 0);
  const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
  const std::string page = root_ + "/ws/pkg/word/doc.htm";
  WriteFile(page, "<html><head><link rel=\"stylesheet\" href=\"" + base +
                      "/style.css\"></head><body><p>remote</p>"
                      "<p><img src=\"" +
                      base + "/x.png\" width=\"40\" height=\"40\"></p></body></html>");
  State().PageSettings = {"816", "1056", "96", "96", "96", "96"};
  QuietHost host;
  WordAutomation word(host);
  word.StartWord("office", EngineOptions{root_ + "/ws/"});
  ASSERT_TRUE(word.Started());
  word.SaveAsDoc(page, root_ + "/remote.doc");
  word.QuitWord();
  EXPECT_FALSE(server.Contacted());
  auto facts = DocCheck(root_ + "/remote.doc");
  EXPECT_EQ(facts["verdict"], "ok");
  EXPECT_EQ(facts["images"], "0");
}

TEST_F(OfficeEngineTest, EmbeddedPictureSurvivesRemovalOfThePackage) {
  const std::string page = root_ + "/ws/pkg/word/doc.htm";
  WriteFile(page, Page("<p><img src=\"media/in.png\" width=\"40\" height=\"40\"></p>"));
  State().PageSettings = {"816", "1056", "96", "96", "96", "96"};
  QuietHost host;
  WordAutomation word(host);
  word.StartWord("office", EngineOptions{root_ + "/ws/"});
  ASSERT_TRUE(word.Started());
  word.SaveAsDoc(page, root_ + "/pic.doc");
  word.QuitWord();
  ASSERT_EQ(std::system(("rm -rf '" + root_ + "/ws/pkg'").c_str()), 0);
  auto facts = DocCheck(root_ + "/pic.doc");
  EXPECT_EQ(facts["images_embedded"], "1");
  EXPECT_EQ(facts["images_linked"], "0");
}

TEST_F(OfficeEngineTest, MissingPageFailsAndStillClosesItem) {
  State().PageSettings = {"816", "1056", "96", "96", "96", "96"};
  QuietHost host;
  WordAutomation word(host);
  word.StartWord("office", EngineOptions{root_ + "/ws/"});
  ASSERT_TRUE(word.Started());
  // Item 1 is then the blank document, which the close step closes.
  EXPECT_THROW(word.SaveAsDoc(root_ + "/ws/pkg/word/none.htm", root_ + "/none.doc"),
               AutomationError);
  EXPECT_NE(access((root_ + "/none.doc").c_str(), F_OK), 0);
  word.QuitWord();
}

TEST_F(OfficeEngineTest, DirectModelAnswersAndRefusals) {
  AutoObjectPtr app = CreateEngine("office", EngineOptions{root_ + "/ws/"});
  app->Set("Visible", true);  // headless: stays invisible
  EXPECT_FALSE(app->Get("visible").AsBool());
  EXPECT_THROW(app->Get("activeDocument"), AutomationError);
  EXPECT_THROW(app->Get("NoSuchMember"), AutomationError);
  AutoObjectPtr docs = GetObject(app, "documents");
  CallMember(docs, "Add");
  EXPECT_EQ(docs->Get("count").AsInt(), 1);
  EXPECT_THROW(CallMember(docs, "Item", {2}), AutomationError);
  AutoObjectPtr blank = CallMember(docs, "item", {1}).AsObject();
  EXPECT_THROW(blank->Get("PageSetup"), AutomationError);
  WriteFile(root_ + "/ws/pkg/word/doc.htm", Page("<p>x</p>"));
  AutoObjectPtr doc =
      CallMember(docs, "open", {root_ + "/ws/pkg/word/doc.htm", false, true}).AsObject();
  EXPECT_EQ(CallMember(docs, "Item", {1}).AsObject(), doc);
  AutoObjectPtr setup = GetObject(doc, "PageSetup");
  EXPECT_THROW(setup->Set("PageWidth", 0), AutomationError);
  EXPECT_THROW(setup->Set("PageWidth", "wide"), AutomationError);
  setup->Set("pagewidth", 300);
  EXPECT_EQ(setup->Get("PAGEWIDTH").AsInt(), 300);
  EXPECT_THROW(CallMember(doc, "SaveAs", {root_ + "/x.docx", 16}), AutomationError);
  EXPECT_THROW(CallMember(doc, "sections").AsObject()->Call("item", {2}), AutomationError);
  CallMember(doc, "Close");
  EXPECT_EQ(docs->Get("count").AsInt(), 1);
  CallMember(app, "Quit");
  EXPECT_THROW(CallMember(docs, "open", {root_ + "/ws/pkg/word/doc.htm", false, true}),
               AutomationError);
}

TEST_F(OfficeEngineTest, LostOfficeIsReplacedForTheNextPage) {
  const std::string page = root_ + "/ws/pkg/word/doc.htm";
  WriteFile(page, Page("<p>before</p>"));
  State().PageSettings = {"816", "1056", "96", "96", "96", "96"};
  QuietHost host;
  WordAutomation word(host);
  word.StartWord("office", EngineOptions{root_ + "/ws/"});
  ASSERT_TRUE(word.Started());
  word.SaveAsDoc(page, root_ + "/one.doc");
  EXPECT_TRUE(IsCompoundFile(root_ + "/one.doc"));

  // The office dies between two pages: the next page gets a fresh one.
  const std::vector<pid_t> first = ProcessesWith("soffice.bin", root_);
  ASSERT_EQ(first.size(), 1u);
  std::vector<pid_t> bridges = ProcessesWith("office_bridge.py", root_);
  KillAndWait(first);
  WriteFile(page, Page("<p>after the office died</p>"));
  ASSERT_NO_THROW(word.SaveAsDoc(page, root_ + "/two.doc"));
  EXPECT_TRUE(IsCompoundFile(root_ + "/two.doc"));
  const std::vector<pid_t> second = ProcessesWith("soffice.bin", root_);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(second[0], first[0]);

  // The bridge itself dies: the same.
  for (pid_t pid : ProcessesWith("office_bridge.py", root_)) bridges.push_back(pid);
  KillAndWait(ProcessesWith("office_bridge.py", root_));
  ASSERT_NO_THROW(word.SaveAsDoc(page, root_ + "/three.doc"));
  EXPECT_TRUE(IsCompoundFile(root_ + "/three.doc"));
  // Only one office at a time: the orphan of the killed bridge was ended.
  EXPECT_EQ(ProcessesWith("soffice.bin", root_).size(), 1u);

  for (pid_t pid : ProcessesWith("office_bridge.py", root_)) bridges.push_back(pid);

  word.QuitWord();
  EXPECT_TRUE(ProcessesWith("soffice.bin", root_).empty());
  EXPECT_TRUE(ProcessesWith("office_bridge.py", root_).empty());
  // The office killed under a running bridge, and the one that quit, left
  // no pipe socket behind. (The office of the bridge killed outright is the
  // one case nobody is left to clean up after.)
  ASSERT_EQ(bridges.size(), 3u);
  EXPECT_TRUE(LeftPipesOf(bridges[0]).empty());
  EXPECT_TRUE(LeftPipesOf(bridges[2]).empty());
}

TEST_F(OfficeEngineTest, DocumentOfLostOfficeClosesQuietlyAndRefusesCalls) {
  WriteFile(root_ + "/ws/pkg/word/doc.htm", Page("<p>x</p>"));
  AutoObjectPtr app = CreateEngine("office", EngineOptions{root_ + "/ws/"});
  AutoObjectPtr docs = GetObject(app, "Documents");
  AutoObjectPtr doc =
      CallMember(docs, "Open", {root_ + "/ws/pkg/word/doc.htm", false, true}).AsObject();
  KillAndWait(ProcessesWith("soffice.bin", root_));
  // The call that meets the dead office fails and says why ...
  try {
    CallMember(doc, "SaveAs", {root_ + "/lost.doc", 0});
    ADD_FAILURE() << "saved with a dead office";
  } catch (const AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("the office stopped working"), std::string::npos)
        << e.what();
  }
  EXPECT_NE(access((root_ + "/lost.doc").c_str(), F_OK), 0);
  // ... after which the document is gone with it: it takes no further call,
  // and closing it only drops it from the list.
  EXPECT_THROW(GetObject(doc, "PageSetup")->Set("PageWidth", 300), AutomationError);
  EXPECT_NO_THROW(CallMember(doc, "Close"));
  EXPECT_EQ(docs->Get("Count").AsInt(), 0);
  AutoObjectPtr again =
      CallMember(docs, "Open", {root_ + "/ws/pkg/word/doc.htm", false, true}).AsObject();
  CallMember(again, "SaveAs", {root_ + "/again.doc", 0});
  EXPECT_TRUE(IsCompoundFile(root_ + "/again.doc"));
  CallMember(again, "Close");
  CallMember(app, "Quit");
  EXPECT_TRUE(ProcessesWith("soffice.bin", root_).empty());
}

// A cell that opens with a nested table holding a foreign element before its
// rows: LibreOffice 7.4 crashes writing such a page as Word 97. The failure
// stays with that page: no lock file is left beside the target, and the next
// page is saved by a fresh office.
TEST_F(OfficeEngineTest, PageThatCrashesTheOfficeCostsOnlyItself) {
  const std::string page = root_ + "/ws/pkg/word/doc.htm";
  WriteFile(page, Page("<table><tr><td><table><gridCol w=\"1\" /><tr><td>x</td></tr></table>"
                       "</td></tr></table>"));
  AutoObjectPtr app = CreateEngine("office", EngineOptions{root_ + "/ws/"});
  AutoObjectPtr docs = GetObject(app, "Documents");
  AutoObjectPtr hard = CallMember(docs, "Open", {page, false, true}).AsObject();
  bool crashed = false;
  try {
    CallMember(hard, "SaveAs", {root_ + "/hard.doc", 0});
  } catch (const AutomationError& e) {
    crashed = std::string(e.what()).find("stopped working") != std::string::npos;
  }
  EXPECT_NO_THROW(CallMember(hard, "Close"));
  EXPECT_NE(access((root_ + "/.~lock.hard.doc#").c_str(), F_OK), 0);
  if (crashed) {
    EXPECT_TRUE(ProcessesWith("soffice.bin", root_).empty());
  }

  WriteFile(page, Page("<p>plain</p>"));
  AutoObjectPtr plain = CallMember(docs, "Open", {page, false, true}).AsObject();
  ASSERT_NO_THROW(CallMember(plain, "SaveAs", {root_ + "/plain.doc", 0}));
  EXPECT_TRUE(IsCompoundFile(root_ + "/plain.doc"));
  CallMember(plain, "Close");
  CallMember(app, "Quit");
}

// Two batches at once, even over one workspace: each has its own office and
// profile, and quitting one leaves the other working.
TEST_F(OfficeEngineTest, TwoEnginesAtOnceKeepTheirOwnOffices) {
  const std::string page = root_ + "/ws/pkg/word/doc.htm";
  WriteFile(page, Page("<p>shared page</p>"));
  State().PageSettings = {"816", "1056", "96", "96", "96", "96"};
  QuietHost host_a;
  QuietHost host_b;
  WordAutomation a(host_a);
  WordAutomation b(host_b);
  a.StartWord("office", EngineOptions{root_ + "/ws/"});
  b.StartWord("office", EngineOptions{root_ + "/ws/"});
  ASSERT_TRUE(a.Started());
  ASSERT_TRUE(b.Started());
  EXPECT_EQ(ProcessesWith("soffice.bin", root_).size(), 2u);
  a.SaveAsDoc(page, root_ + "/a1.doc");
  b.SaveAsDoc(page, root_ + "/b1.doc");
  a.SaveAsDoc(page, root_ + "/a2.doc");
  a.QuitWord();
  ASSERT_NO_THROW(b.SaveAsDoc(page, root_ + "/b2.doc"));
  b.QuitWord();
  for (const char* name : {"/a1.doc", "/a2.doc", "/b1.doc", "/b2.doc"}) {
    EXPECT_TRUE(IsCompoundFile(root_ + name)) << name;
  }
  EXPECT_TRUE(ProcessesWith("soffice.bin", root_).empty());
}

TEST(OfficeEngineStartTest, MissingInterpreterOrBridgeRefusesToStart) {
  const char* old_python = std::getenv("QUILLON_PYTHON");
  setenv("QUILLON_PYTHON", "/nonexistent/python3", 1);
  EXPECT_THROW(CreateEngine("office", EngineOptions{"/tmp/quillon-office-nostart/"}),
               AutomationError);
  if (old_python)
    setenv("QUILLON_PYTHON", old_python, 1);
  else
    unsetenv("QUILLON_PYTHON");

  setenv("QUILLON_OFFICE_BRIDGE", "/nonexistent/office_bridge.py", 1);
  EXPECT_EQ(FindOfficeBridgeScript(), "");
  QuietHost host;
  WordAutomation word(host);
  word.StartWord("office", EngineOptions{"/tmp/quillon-office-nostart/"});
  unsetenv("QUILLON_OFFICE_BRIDGE");
  EXPECT_FALSE(word.Started());
  EXPECT_EQ(host.messages, std::vector<std::string>{kNeedWordText});
  EXPECT_FALSE(FindOfficeBridgeScript().empty());
  std::system("rm -rf /tmp/quillon-office-nostart");
}

TEST(OfficeEngineStartTest, OfficeThatExitsAtOnceRefusesToStart) {
  setenv("QUILLON_SOFFICE", "/bin/false", 1);
  try {
    CreateEngine("office", EngineOptions{"/tmp/quillon-office-nostart/"});
    ADD_FAILURE() << "started";
  } catch (const AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("exited at start-up"), std::string::npos) << e.what();
  }
  setenv("QUILLON_SOFFICE", "/nonexistent/soffice", 1);
  try {
    CreateEngine("office", EngineOptions{"/tmp/quillon-office-nostart/"});
    ADD_FAILURE() << "started";
  } catch (const AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("not installed"), std::string::npos) << e.what();
  }
  unsetenv("QUILLON_SOFFICE");
  std::system("rm -rf /tmp/quillon-office-nostart");
}

}  // namespace
}  // namespace quillon
