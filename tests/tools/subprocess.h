// Runs a program as a child process for tool tests: arguments passed as
// given (no shell), standard output and error captured, the exit code
// returned. Each call gets a scratch folder removed with the Scratch object.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tools_test {

// The folder of the built programs.
inline const std::string kBin = std::string(QV_BINARY_DIR) + "/bin/";

// A fresh folder under the system's temporary folder, removed on scope exit.
class Scratch {
 public:
  Scratch() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qvtool-XXXXXX").string();
    if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~Scratch() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  int exitCode = -1;  // -1: did not exit normally or could not start
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs argv[0] (a path) with the arguments, standard input empty.
inline RunResult RunProgram(const std::vector<std::string>& argv) {
  RunResult r;
  if (argv.empty()) return r;
  Scratch io;
  const std::string outFile = io.file("out"), errFile = io.file("err");
  const pid_t pid = fork();
  if (pid < 0) return r;
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  pid_t done = -1;
  do {
    done = waitpid(pid, &status, 0);
  } while (done < 0 && errno == EINTR);
  if (done == pid && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  r.out = ReadAll(outFile);
  r.err = ReadAll(errFile);
  return r;
}

}  // namespace tools_test
