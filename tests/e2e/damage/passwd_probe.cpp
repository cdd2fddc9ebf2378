// A preload library for the settings-folder cases: getpwuid_r answers from KESTOR_PASSWD_HOME, an
// entry with that home or, when it is empty, no entry; unset, the password database answers.
#include <dlfcn.h>
#include <pwd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern "C" __attribute__((visibility("default"))) int getpwuid_r(uid_t uid, passwd* pwd, char* buf, size_t size,
                                                                 passwd** result) {
  const char* home = std::getenv("KESTOR_PASSWD_HOME");
  if (!home) {
    static const auto real = reinterpret_cast<decltype(&getpwuid_r)>(dlsym(RTLD_NEXT, "getpwuid_r"));
    return real ? real(uid, pwd, buf, size, result) : ENOSYS;
  }
  *result = nullptr;
  if (!*home || std::strlen(home) >= size) return *home ? ERANGE : 0;
  *pwd = passwd{};
  pwd->pw_dir = std::strcpy(buf, home);
  pwd->pw_name = pwd->pw_passwd = pwd->pw_gecos = pwd->pw_shell = pwd->pw_dir + std::strlen(home);  // ""
  pwd->pw_uid = uid;
  *result = pwd;
  return 0;
}
