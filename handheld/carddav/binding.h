// What binds a handheld to an address book: the collection's (or the server's) URL, the user,
// the file the password is read from and a private certificate authority, kept in the
// handheld's folder as "carddav.conf" (one "key=value" a line). The password itself is never
// stored there: it is read from its file, which only its owner may read, each time the book is
// opened. Used by velmora-device and the agent; never throws.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace velmora::carddav {

struct Binding {
  std::string url;
  std::string user;
  std::optional<std::filesystem::path> password_file;
  std::optional<std::filesystem::path> ca_file;
};

std::filesystem::path BindingFile(const std::filesystem::path& handheld);
bool IsBound(const std::filesystem::path& handheld);

// False, with the reason in `why`, when the binding cannot be used: a URL that is not http or
// https or names a password, a password file that is missing, not private or without a user,
// a password sent in clear to another machine, a certificate file that cannot be read.
bool CheckBinding(const Binding& binding, std::string* why);

// Records `binding` (checked first; file paths made absolute) in the handheld's folder.
bool WriteBinding(const std::filesystem::path& handheld, Binding binding, std::string* why);
// The handheld's binding; none, with the reason in `why`, when there is none or it is damaged.
std::optional<Binding> ReadBinding(const std::filesystem::path& handheld, std::string* why);

// The first line of a password file that is a regular file owned by this user and readable
// by nobody else; none, with the reason in `why`, otherwise.
std::optional<std::string> ReadPasswordFile(const std::filesystem::path& file, std::string* why);

}  // namespace velmora::carddav
