// Program path, arguments, user and host of the running process, read from Linux.
#include "platform/ProcessInfo.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/OsText.h"

namespace qnexp {

std::string ProgramPath() {
  // readlink does not terminate and truncates silently, so grow until the link fits.
  std::string buffer(PATH_MAX, '\0');
  while (true) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      return FromOsText(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> ProgramArguments() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  size_t start = 0;
  bool first = true;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    if (!first) arguments.push_back(FromOsText(std::string_view(all).substr(start, end - start)));
    first = false;
    start = end + 1;
  }
  return arguments;
}

std::string LoginName() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name)
    return FromOsText(found->pw_name);
  for (const char* variable : {"LOGNAME", "USER"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return FromOsText(value);
  }
  return {};
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return FromOsText(name);
}

std::string HostIPv4Address() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &list) != 0) return {};
  std::string result;
  for (addrinfo* item = list; item; item = item->ai_next) {
    if (item->ai_family != AF_INET || !item->ai_addr) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(item->ai_addr);
    if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) {
      result = text;
      break;
    }
  }
  freeaddrinfo(list);
  return result;
}

std::string CurrentFolder() {
  std::string buffer(PATH_MAX, '\0');
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return FromOsText(buffer);
}

}  // namespace qnexp
