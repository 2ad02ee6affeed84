// A print server of the test's own: cupsd run from a configuration in a
// scratch folder, listening only on a socket there, with raw queues whose
// backend (a small script of the server's own, "qvfile") writes each job to
// a file, so a job sent to one of its printers lands in that file as the
// program sent it (Qt sends PDF). The test starts it and it stops
// with the object; the system's print server and printers are never
// involved. Programs reach it through CUPS_SERVER (socket()).
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace prtest {

class PrivateCups {
 public:
  // Starts the server in `folder` (created when missing).
  explicit PrivateCups(const std::filesystem::path& folder) : dir_(folder) {
    namespace fs = std::filesystem;
    for (const char* d : {"root", "cache", "state", "log", "spool/tmp", "out", "bin/backend"})
      fs::create_directories(dir_ / d);
    // The server's programs are the system's, but for the backend.
    for (const char* d : {"daemon", "notifier"}) fs::create_directory_symlink(fs::path("/usr/lib/cups") / d, dir_ / "bin" / d);
    const fs::path backend = dir_ / "bin/backend/qvfile";
    std::ofstream(backend) << "#!/bin/sh\n"
                              "[ $# -eq 0 ] && { echo 'direct qvfile \"Unknown\" \"Archivo\"'; exit 0; }\n"
                              "out=\"${DEVICE_URI#qvfile:}\"\n"
                              "if [ $# -ge 6 ]; then cat \"$6\"; else cat; fi > \"$out.part\" && chmod 644 \"$out.part\" && "
                              "mv \"$out.part\" \"$out\"\n";
    // The jobs run as the server's user, which must reach the output folder.
    for (fs::path p = dir_; !p.empty() && p != p.root_path(); p = p.parent_path()) ::chmod(p.c_str(), 0755);
    for (const char* d : {"spool", "spool/tmp", "out"}) ::chmod((dir_ / d).c_str(), 01777);
    ::chmod(backend.c_str(), 0755);
    const bool root = ::geteuid() == 0;
    const passwd* pw = ::getpwuid(::geteuid());
    const group* gr = ::getgrgid(::getegid());
    std::ofstream(dir_ / "root/cupsd.conf") << "Listen " << socket() << "\n"
                                            << "LogLevel warn\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
                                            << "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                            << "<Location /admin>\nOrder allow,deny\nAllow all\n</Location>\n"
                                            << "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n";
    std::ofstream(dir_ / "root/cups-files.conf")
        << "ServerRoot " << (dir_ / "root").string() << "\nCacheDir " << (dir_ / "cache").string() << "\nStateDir "
        << (dir_ / "state").string() << "\nRequestRoot " << (dir_ / "spool").string() << "\nTempDir "
        << (dir_ / "spool/tmp").string() << "\nServerBin " << (dir_ / "bin").string() << "\nDataDir /usr/share/cups\nErrorLog "
        << (dir_ / "log/error_log").string() << "\nAccessLog " << (dir_ / "log/access_log").string()
        << "\nPageLog " << (dir_ / "log/page_log").string() << "\n"
        << "User " << (root ? "lp" : pw ? pw->pw_name : "nobody") << "\nGroup "
        << (root ? "lp" : gr ? gr->gr_name : "nogroup") << "\nSystemGroup " << (root ? "root" : gr ? gr->gr_name : "")
        << "\n";
    pid_ = ::fork();
    if (pid_ == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", (dir_ / "root/cupsd.conf").c_str(), "-s",
              (dir_ / "root/cups-files.conf").c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 100 && !std::filesystem::exists(socket()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ~PrivateCups() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  bool running() const { return pid_ > 0 && std::filesystem::exists(socket()); }
  std::string socket() const { return (dir_ / "cups.sock").string(); }

  // Adds an enabled raw queue `name` whose jobs go to jobFile(name).
  bool addPrinter(const std::string& name) const {
    const std::string cmd = "CUPS_SERVER='" + socket() + "' /usr/sbin/lpadmin -p '" + name + "' -E -v 'qvfile:" +
                            jobFile(name) + "' -m raw >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
  }
  std::string jobFile(const std::string& name) const { return (dir_ / "out" / (name + ".prn")).string(); }

  // Waits up to `seconds` for a job to land in the printer's file, complete
  // (its size settled).
  bool waitForJob(const std::string& name, int seconds = 20) const {
    const std::string f = jobFile(name);
    std::uintmax_t last = 0;
    for (int i = 0; i < seconds * 10; ++i) {
      std::error_code ec;
      const std::uintmax_t size = std::filesystem::file_size(f, ec);
      if (!ec && size > 0 && size == last) return true;
      last = ec ? 0 : size;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
};

}  // namespace prtest
