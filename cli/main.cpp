// qnexp: the console host of the expression engine.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/Host.h"
#include "cli/LineEditor.h"
#include "core/Abort.h"

namespace {

void OnInterrupt(int) { qnexp::RequestAbort(); }

// Ctrl+C stops the evaluation that runs, not the program. At the prompt, reading goes on after
// the signal; otherwise an interrupted read ends the input, and the host stops.
void CatchInterrupt(bool interactive) {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = interactive ? SA_RESTART : 0;
  sigaction(SIGINT, &action, nullptr);
}

// Output to a file descriptor, written out whenever the stream is flushed.
class TDescriptorBuf : public std::streambuf {
public:
  explicit TDescriptorBuf(int fd) : Fd(fd) {}
  ~TDescriptorBuf() override { sync(); }

protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) Pending += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* data, std::streamsize size) override {
    Pending.append(data, static_cast<size_t>(size));
    return size;
  }
  int sync() override {
    size_t done = 0;
    while (done < Pending.size()) {
      ssize_t n = write(Fd, Pending.data() + done, Pending.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    bool complete = done == Pending.size();
    Pending.clear();
    return complete ? 0 : -1;
  }

private:
  int Fd;
  std::string Pending;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  qnexp::cli::THostMode mode = qnexp::cli::HostModeOf(args);
  // With JSON, standard output carries the host's lines alone: the host writes to a copy of
  // it, and descriptor 1, which started programs inherit, goes to standard error.
  std::ostream* out = &std::cout;
  std::unique_ptr<TDescriptorBuf> jsonBuf;
  std::unique_ptr<std::ostream> jsonOut;
  if (mode.Json) {
    std::cout.flush();
    int jsonFd = dup(STDOUT_FILENO);
    if (jsonFd >= 0 && dup2(STDERR_FILENO, STDOUT_FILENO) >= 0) {
      jsonBuf = std::make_unique<TDescriptorBuf>(jsonFd);
      jsonOut = std::make_unique<std::ostream>(jsonBuf.get());
      out = jsonOut.get();
    }
  }
  qnexp::cli::THostIo io{std::cin, *out, std::cerr, nullptr, isatty(STDERR_FILENO) == 1};
  if (mode.ReadsInput && isatty(STDIN_FILENO)) {
    qnexp::cli::StartLineEditor(mode.Gbk);
    io.ReadLine = qnexp::cli::ReadEditedLine;
  }
  CatchInterrupt(static_cast<bool>(io.ReadLine));
  int status = qnexp::cli::RunHost(args, io);
  out->flush();
  return status;
}
