// Output files: a regular file is replaced whole or left as it was; anything else is written
// in place and kept; paths are judged before any work.
#include "report/OutputFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("velmark-output-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string At(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // The names in the folder: no temporary file may be left behind.
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
};

TEST_F(OutputFileTest, ARegularFileIsReplacedWithItsModeAndALinkStays) {
  Put(At("result.json"), "earlier");
  chmod(At("result.json").c_str(), 0640);
  fs::create_symlink("result.json", At("link.json"));
  ASSERT_EQ(report::WriteOutputFile(At("link.json"), "new record"), "");
  EXPECT_EQ(Text(At("result.json")), "new record");
  EXPECT_TRUE(fs::is_symlink(At("link.json")));
  struct stat st {};
  ASSERT_EQ(stat(At("result.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(), 2u);
}

TEST_F(OutputFileTest, AFailedWriteLeavesTheEarlierFileAsItWas) {
  // A file-size limit makes the write fail as a full disc does.
  Put(At("result.json"), "earlier good record");
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit small = before;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = report::WriteOutputFile(At("result.json"), std::string(4096, 'x'));
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_NE(error.find("cannot write " + At("result.json")), std::string::npos) << error;
  EXPECT_EQ(Text(At("result.json")), "earlier good record");
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(OutputFileTest, AFifoIsWrittenInPlaceAndKept) {
  ASSERT_EQ(mkfifo(At("pipe").c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = Text(At("pipe")); });
  EXPECT_EQ(report::WriteOutputFile(At("pipe"), "through the pipe"), "");
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(At("pipe")));
}

TEST_F(OutputFileTest, PathsAreJudgedBeforeAnyWork) {
  Put(At("there.json"), "x");
  fs::create_directories(At("sub"));
  const struct {
    std::string path;
    bool ok;
  } cases[] = {
      {At("new.json"), true},
      {At("there.json"), true},
      {At("sub"), false},                 // a folder
      {At("missing/out.json"), false},    // no such folder
      {At("there.json/out.json"), false}  // a file where the folder should be
  };
  for (const auto& c : cases) {
    const std::string error = report::CheckOutputPath(c.path);
    EXPECT_EQ(error.empty(), c.ok) << c.path << ": " << error;
    if (!c.ok) {
      EXPECT_NE(error.find(c.path), std::string::npos) << error;
    }
  }
  fs::create_symlink("there.json", At("alias.json"));
  EXPECT_NE(report::SameOutputTwice({{"--json", At("same")}, {"--csv", At("same")}}), "");
  EXPECT_NE(report::SameOutputTwice({{"--json", At("there.json")}, {"--csv", At("alias.json")}}),
            "");
  EXPECT_NE(report::SameOutputTwice({{"--json", At("sub/../x")}, {"--plot", At("x")}}), "");
  EXPECT_EQ(report::SameOutputTwice({{"--json", "-"}, {"--csv", "-"}, {"--plot", At("x")}}), "");
  EXPECT_EQ(report::SameOutputTwice({{"--json", At("a.json")}, {"--csv", At("a.csv")}}), "");
}

}  // namespace
#endif
