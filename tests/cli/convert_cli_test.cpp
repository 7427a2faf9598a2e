// The `quillon` executable: options, usage errors, and whole batches through
// the office engine, read back with doccheck.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "quillon_version.h"

namespace {

const std::string kCorpus = std::string(QUILLON_CORPUS_DIR) + "/docx/";

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/quillon-cli-XXXXXX";
    const char* dir = mkdtemp(pattern);
    path = dir ? dir : "";
  }
  ~TempDir() {
    if (!path.empty()) std::system(("rm -rf " + Quoted(path)).c_str());
  }
  void Copy(const std::string& from, const std::string& name) const {
    std::system(("cp " + Quoted(from) + " " + Quoted(path + "/" + name)).c_str());
  }
  void Write(const std::string& name, const std::string& data) const {
    std::ofstream(path + "/" + name, std::ios::binary) << data;
  }
  std::string path;
};

// Runs quillon with |args| (already shell-quoted where needed) and |env|
// assignments in front.
RunResult Quillon(const std::string& args, const std::string& env = "") {
  TempDir scratch;
  const std::string out = scratch.path + "/out", err = scratch.path + "/err";
  const std::string command = env + " " + Quoted(QUILLON_EXE) + " " + args + " >" + Quoted(out) +
                              " 2>" + Quoted(err) + " </dev/null";
  const int status = std::system(command.c_str());
  RunResult run;
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) lines.push_back(line);
  return lines;
}

std::map<std::string, std::string> DocCheck(const std::string& path) {
  std::map<std::string, std::string> facts;
  FILE* pipe =
      // Run beside the document: the wvWare step writes pictures into the current folder.
      popen(("cd " + Quoted(path.substr(0, path.rfind('/') + 1)) + " && " +
             std::string(QUILLON_SHARED_DIR) + "/tools/doccheck " + Quoted(path) + " 2>/dev/null")
                .c_str(),
            "r");
  if (pipe == nullptr) return facts;
  char buf[4096];
  while (fgets(buf, sizeof buf, pipe) != nullptr) {
    std::string s(buf);
    while (!s.empty() && s.back() == '\n') s.pop_back();
    const size_t colon = s.find(": ");
    if (colon != std::string::npos) facts[s.substr(0, colon)] = s.substr(colon + 2);
  }
  pclose(pipe);
  return facts;
}

bool OfficeInstalled() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

std::string SizeTextOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const long long size = in ? static_cast<long long>(in.tellg()) : 0;
  return size <= 0 ? "0 KB" : std::to_string(size / 1024 + 1) + " KB";
}

TEST(CliTest, VersionAndHelp) {
  RunResult v = Quillon("--version");
  EXPECT_EQ(v.exit_code, 0);
  EXPECT_EQ(v.out, std::string("quillon ") + QUILLON_VERSION + "\n");
  RunResult h = Quillon("--help");
  EXPECT_EQ(h.exit_code, 0);
  for (const char* word : {"convert", "html", "unzip", "--engine", "--skip", "--workspace"}) {
    EXPECT_NE(h.out.find(word), std::string::npos) << word;
  }
  RunResult c = Quillon("convert --help");
  EXPECT_EQ(c.exit_code, 0);
  EXPECT_NE(c.out.find("quillon convert"), std::string::npos);
}

TEST(CliTest, UsageErrorsExitTwoWithAMessage) {
  TempDir dir;
  const std::vector<std::string> bad = {"",
                                        "frobnicate",
                                        "convert",
                                        "convert --engine",
                                        "convert --engine no-such-engine " + Quoted(dir.path),
                                        "convert --bogus " + Quoted(dir.path),
                                        "convert " + Quoted(dir.path) + " " + Quoted(dir.path),
                                        "convert " + Quoted(dir.path + "/missing")};
  for (const std::string& args : bad) {
    RunResult r = Quillon(args);
    EXPECT_EQ(r.exit_code, 2) << args;
    EXPECT_FALSE(r.err.empty()) << args;
    EXPECT_TRUE(r.out.empty()) << args;
  }
  EXPECT_NE(Quillon("convert --engine no-such-engine " + Quoted(dir.path)).err.find("office"),
            std::string::npos);
}

TEST(CliTest, FolderWithoutDocumentsSaysSoAndFails) {
  TempDir docs, ws;
  docs.Write("old.doc", "x");
  RunResult r = Quillon("convert --workspace " + Quoted(ws.path) + " " + Quoted(docs.path));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("There's no proper files in this folder"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

TEST(CliTest, WorkspaceHoldingSomebodyElsesFilesIsRefusedAndLeftAlone) {
  TempDir docs, home;
  docs.Copy(kCorpus + "python-docx/doc-default.docx", "Documents.docx");
  std::system(("mkdir -p " + Quoted(home.path + "/Documents")).c_str());
  home.Write("Documents/letter.txt", "precious");
  RunResult r = Quillon("convert --workspace " + Quoted(home.path) + " " + Quoted(docs.path));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("not Quillon's"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(home.path + "/Documents/letter.txt"), "precious");
  RunResult html = Quillon("html --workspace " + Quoted(home.path) + " " +
                           Quoted(docs.path + "/Documents.docx"));
  EXPECT_EQ(html.exit_code, 2);
  EXPECT_EQ(ReadAll(home.path + "/Documents/letter.txt"), "precious");
}

TEST(CliTest, EngineThatCannotStartMarksEveryCheckedRowError) {
  TempDir docs, ws;
  docs.Copy(kCorpus + "python-docx/doc-default.docx", "a.docx");
  docs.Copy(kCorpus + "python-docx/doc-default.docx", "b.docx");
  RunResult r = Quillon("convert --engine office --skip b.docx --workspace " + Quoted(ws.path) +
                            " " + Quoted(docs.path),
                        "QUILLON_OFFICE_BRIDGE=/nonexistent/bridge.py");
  EXPECT_EQ(r.exit_code, 1);
  const std::string size = SizeTextOf(docs.path + "/a.docx");
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"a.docx\t" + size + "\t-\tError",
                                                    "b.docx\t" + size + "\t - \t Passed"}));
  // One start message, the reason of the failed row, then the final message.
  EXPECT_EQ(r.err,
            "This function need MS Word installed.\nIt will not work now.\n"
            "quillon: a.docx: no word processor is running\n"
            "Files Conversion Finished.\ndoc files have been saved in the same folder:\n" +
                docs.path + "/\n");
}

class ConvertEndToEndOfficeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OfficeInstalled()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  }
};

TEST_F(ConvertEndToEndOfficeTest, RowsInListOrderWithOutcomes) {
  TempDir docs, ws;
  docs.Copy(kCorpus + "python-docx/tbl-having-tables.docx", "Tables.docx");
  docs.Copy(kCorpus + "python-docx/doc-default.docx", "a.b.docx");
  docs.Write("broken.docx", "not a zip");
  docs.Copy(kCorpus + "python-docx/doc-default.docx", "skipped.docx");
  RunResult r = Quillon("convert --engine office --workspace " + Quoted(ws.path) +
                        " --skip skipped.docx " + Quoted(docs.path));
  EXPECT_EQ(r.exit_code, 1) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0], "a.b.docx\t" + SizeTextOf(docs.path + "/a.b.docx") + "\t" +
                          SizeTextOf(docs.path + "/a.b.doc") + "\tOK");
  EXPECT_EQ(lines[1], "broken.docx\t1 KB\t-\tError");
  EXPECT_EQ(lines[2],
            "skipped.docx\t" + SizeTextOf(docs.path + "/skipped.docx") + "\t - \t Passed");
  EXPECT_EQ(lines[3], "Tables.docx\t" + SizeTextOf(docs.path + "/Tables.docx") + "\t" +
                          SizeTextOf(docs.path + "/Tables.doc") + "\tOK");
  EXPECT_NE(r.err.find("Files Conversion Finished."), std::string::npos);
  EXPECT_NE(access((docs.path + "/skipped.doc").c_str(), F_OK), 0);

  auto facts = DocCheck(docs.path + "/Tables.doc");
  EXPECT_EQ(facts["verdict"], "ok");
  EXPECT_EQ(facts["tables"], "3");
  EXPECT_EQ(facts["header_text"], "Generated by Quillon");
  EXPECT_EQ(facts["footer_text"], QUILLON_PUBLISHER_URL);
  EXPECT_EQ(facts["sep_page_width_pt"], "612.00");  // Letter
  EXPECT_EQ(facts["sep_page_height_pt"], "792.00");

  // The session's packages are gone; only the lock file stays.
  std::vector<std::string> left;
  if (DIR* d = opendir(ws.path.c_str())) {
    while (dirent* e = readdir(d)) {
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
        left.push_back(e->d_name);
    }
    closedir(d);
  }
  EXPECT_EQ(left, std::vector<std::string>{".quillon.lock"});
}

TEST_F(ConvertEndToEndOfficeTest, ExamplesAllConvertAndExitZero) {
  TempDir docs, ws;
  std::system(("cp " + Quoted(std::string(QUILLON_SOURCE_DIR) + "/examples") + "/*.docx " +
               Quoted(docs.path))
                  .c_str());
  RunResult r =
      Quillon("convert --engine office --workspace " + Quoted(ws.path) + " " + Quoted(docs.path));
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  EXPECT_GE(lines.size(), 3u);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.substr(line.size() - 3), "\tOK") << line;
    const std::string name = line.substr(0, line.find('\t'));
    auto facts = DocCheck(docs.path + "/" + name.substr(0, name.size() - 1));
    EXPECT_EQ(facts["verdict"], "ok") << name;
  }
}

}  // namespace
