#include "run/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <unordered_map>

#include "platform/filesystem.h"

namespace zur {
namespace {

constexpr std::string_view kMagic = "ZUR-JOURNAL 1";

bool NeedsEscape(unsigned char c) { return c <= 0x20 || c == '%' || c == 0x7F; }

std::string Field(std::string_view key, std::string_view value) {
  std::string f(" ");
  f.append(key);
  f.push_back('=');
  f.append(EscapeField(value));
  return f;
}

std::string NumberField(std::string_view key, uint64_t value) { return Field(key, std::to_string(value)); }

// The key=value fields of a record line after its first word.
std::unordered_map<std::string, std::string> Fields(std::string_view line) {
  std::unordered_map<std::string, std::string> out;
  size_t at = line.find(' ');
  while (at != std::string_view::npos) {
    const size_t start = at + 1;
    at = line.find(' ', start);
    const std::string_view token = line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
    const size_t eq = token.find('=');
    if (eq == std::string_view::npos) continue;
    if (auto value = UnescapeField(token.substr(eq + 1))) out[std::string(token.substr(0, eq))] = std::move(*value);
  }
  return out;
}

bool ParseNumber(const std::string& text, uint64_t& out) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  out = v;
  return true;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string EntryLine(const JournalEntry& e) {
  std::string line = "entry";
  line += NumberField("n", e.n);
  line += Field("path", e.path);
  line += Field("shown", e.shown);
  if (!e.copy.empty()) line += Field("copy", e.copy);
  if (!e.data.empty()) {
    line += Field("data", e.data);
    line += NumberField("at", e.dataOffset);
  }
  line += NumberField("size", e.size);
  line += NumberField("mode", e.mode);
  line += Field("mtime", std::to_string(e.mtimeSec) + "." + std::to_string(e.mtimeNsec));
  line += Field("before", e.before.Hex());
  line += Field("after", e.after.Hex());
  line += "\n";
  return line;
}

std::optional<JournalEntry> ParseEntry(std::string_view line) {
  auto f = Fields(line);
  JournalEntry e;
  uint64_t mode = 0;
  if (!ParseNumber(f["n"], e.n) || !ParseNumber(f["size"], e.size) || !ParseNumber(f["mode"], mode)) return std::nullopt;
  e.mode = static_cast<uint32_t>(mode);
  e.path = f["path"];
  e.shown = f["shown"];
  e.copy = f["copy"];
  e.data = f["data"];
  if (!e.data.empty() && !ParseNumber(f["at"], e.dataOffset)) return std::nullopt;
  const std::string& mtime = f["mtime"];
  const size_t dot = mtime.find('.');
  uint64_t sec = 0, nsec = 0;
  if (dot != std::string::npos && ParseNumber(mtime.substr(0, dot), sec) && ParseNumber(mtime.substr(dot + 1), nsec)) {
    e.mtimeSec = static_cast<int64_t>(sec);
    e.mtimeNsec = static_cast<int64_t>(nsec);
  }
  auto before = Fingerprint::FromHex(f["before"]);
  auto after = Fingerprint::FromHex(f["after"]);
  if (e.path.empty() || !before || !after || (e.copy.empty() && e.data.empty())) return std::nullopt;
  e.before = *before;
  e.after = *after;
  return e;
}

}  // namespace

std::string EscapeField(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (NeedsEscape(c)) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::optional<std::string> UnescapeField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    unsigned v = 0;
    for (int k = 1; k <= 2; ++k) {
      const char c = text[i + k];
      const int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<unsigned>(d);
    }
    out.push_back(static_cast<char>(v));
    i += 2;
  }
  return out;
}

std::vector<const JournalEntry*> Journal::LatestEntries() const {
  std::unordered_map<std::string, size_t> slot;
  std::vector<const JournalEntry*> out;
  for (const JournalEntry& e : entries) {
    auto [it, fresh] = slot.emplace(e.path, out.size());
    if (fresh) {
      out.push_back(&e);
    } else {
      out[it->second] = &e;
    }
  }
  return out;
}

std::optional<Journal> ReadJournal(const std::string& path) {
  std::string text;
  try {
    text = fs::ReadFile(path);
  } catch (...) {
    return std::nullopt;
  }
  Journal j;
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    if (end == std::string::npos) break;  // a torn last line
    const std::string_view line(text.data() + at, end - at);
    at = end + 1;
    if (first) {
      if (line != kMagic) return std::nullopt;
      first = false;
      continue;
    }
    const std::string_view word = line.substr(0, line.find(' '));
    if (word == "run") {
      auto f = Fields(line);
      j.header.id = f["id"];
      j.header.kind = f["kind"] == "1" ? RunKind::SelectedFiles : RunKind::FolderTree;
      j.header.copies = f["copies"] == "1";
      j.header.source = f["source"];
      j.header.output = f["output"];
    } else if (word == "entry") {
      if (auto e = ParseEntry(line)) j.entries.push_back(std::move(*e));
    } else if (word == "done" || word == "restoring" || word == "restored") {
      uint64_t n = 0;
      if (!ParseNumber(Fields(line)["n"], n)) continue;
      (word == "done" ? j.done : word == "restoring" ? j.restoring : j.restored).insert(n);
    } else if (word == "sync") {
      j.entriesBeforeSync = j.entries.size();
    } else if (word == "closed") {
      j.closed = Fields(line)["reason"];
    } else if (word == "restore-begin") {
      j.restoreOpen = true;
      j.restoring.clear();
      j.restored.clear();
    } else if (word == "restore-end") {
      j.restoreOpen = false;
    }
  }
  if (first) return std::nullopt;
  return j;
}

JournalWriter::~JournalWriter() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<JournalWriter> JournalWriter::Create(const std::string& path, const JournalHeader& header,
                                                     const std::vector<JournalEntry>& carried) {
  const std::string temp = path + ".new";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return nullptr;
  std::string text(kMagic);
  text += "\nrun";
  text += Field("id", header.id);
  text += Field("kind", header.kind == RunKind::SelectedFiles ? "1" : "2");
  text += Field("copies", header.copies ? "1" : "0");
  text += Field("source", header.source);
  text += Field("output", header.output);
  text += "\n";
  for (const JournalEntry& e : carried) {
    text += EntryLine(e);
    text += "done" + NumberField("n", e.n) + "\n";
  }
  if (!carried.empty()) text += "sync\n";
  if (!WriteAll(fd, text) || ::fdatasync(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    return nullptr;
  }
  return std::unique_ptr<JournalWriter>(new JournalWriter(path, fd));
}

std::unique_ptr<JournalWriter> JournalWriter::Append(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return nullptr;
  return std::unique_ptr<JournalWriter>(new JournalWriter(path, fd));
}

bool JournalWriter::Line(const std::string& line) { return WriteAll(fd_, line); }
bool JournalWriter::Entry(const JournalEntry& e) { return Line(EntryLine(e)); }
bool JournalWriter::Done(uint64_t n) { return Line("done" + NumberField("n", n) + "\n"); }
bool JournalWriter::Sync() { return ::fdatasync(fd_) == 0 && Line("sync\n"); }
bool JournalWriter::Closed(std::string_view reason) {
  return Line("closed" + Field("reason", reason) + "\n") && ::fdatasync(fd_) == 0;
}
bool JournalWriter::RestoreBegin() { return Line("restore-begin\n") && ::fdatasync(fd_) == 0; }
bool JournalWriter::Restoring(uint64_t n) { return Line("restoring" + NumberField("n", n) + "\n"); }
bool JournalWriter::Restored(uint64_t n) { return Line("restored" + NumberField("n", n) + "\n"); }
bool JournalWriter::RestoreEnd() { return Line("restore-end\n") && ::fdatasync(fd_) == 0; }
bool JournalWriter::Flush() { return ::fdatasync(fd_) == 0; }

}  // namespace zur
