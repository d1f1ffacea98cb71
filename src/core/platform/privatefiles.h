// Files and folders that only this user can change: where the program keeps its journals and its
// secret, and what it asks of a journal before it acts on one.
#pragma once

#include <string>

namespace zur::fs {

// True when the open file is a regular file of this user that no one else may write.
bool IsPrivateFile(int fd, std::string& why);

// True when no other user can put, remove or rename files in the folder: it belongs to this user (or
// to the system) and only its owner may write it (a group of this user alone counts as the owner), or
// it is sticky, so that others cannot touch this user's files in it.
bool IsSafeFolder(const std::string& folder, std::string& why);

// Makes the folder (and its missing parents) for this user only (mode 0700), or checks that an
// existing one is this user's alone (taking the write permission of others away if it is his).
bool MakePrivateFolder(const std::string& folder, std::string& why);

}  // namespace zur::fs
