#include "core/run/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unordered_map>

#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/platform/privatefiles.h"

namespace zur {
namespace {

constexpr std::string_view kMagic = "ZUR-JOURNAL 2";
constexpr std::string_view kMacField = " mac=";
constexpr size_t kMacHex = 2 * sizeof(LineMac);

bool NeedsEscape(unsigned char c) { return c <= 0x20 || c == '%' || c == 0x7F; }

std::string Field(std::string_view key, std::string_view value) {
  std::string f(" ");
  f.append(key);
  f.push_back('=');
  f.append(EscapeField(value));
  return f;
}

std::string NumberField(std::string_view key, uint64_t value) { return Field(key, std::to_string(value)); }

std::string MacHex(const LineMac& mac) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(kMacHex);
  for (uint8_t b : mac) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

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
  if (text.empty() || text.size() > 19) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  out = v;
  return true;
}

std::string EntryRecord(const JournalEntry& e) {
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
  if (e.owned) {
    line += NumberField("uid", e.uid);
    line += NumberField("gid", e.gid);
  }
  line += Field("mtime", std::to_string(e.mtimeSec) + "." + std::to_string(e.mtimeNsec));
  line += Field("before", e.before.Hex());
  line += Field("after", e.after.Hex());
  return line;
}

std::optional<JournalEntry> ParseEntry(std::string_view line) {
  auto f = Fields(line);
  JournalEntry e;
  uint64_t mode = 0;
  if (!ParseNumber(f["n"], e.n) || !ParseNumber(f["size"], e.size) || !ParseNumber(f["mode"], mode)) return std::nullopt;
  e.mode = static_cast<uint32_t>(mode & 07777);
  uint64_t uid = 0, gid = 0;
  if (f.count("uid") && f.count("gid")) {
    if (!ParseNumber(f["uid"], uid) || !ParseNumber(f["gid"], gid) || uid > UINT32_MAX || gid > UINT32_MAX) return std::nullopt;
    e.owned = true;
    e.uid = static_cast<uint32_t>(uid);
    e.gid = static_cast<uint32_t>(gid);
  }
  e.path = f["path"];
  e.shown = f["shown"];
  e.copy = f["copy"];
  e.data = f["data"];
  if (!e.data.empty() && !ParseNumber(f["at"], e.dataOffset)) return std::nullopt;
  const std::string& mtime = f["mtime"];
  const size_t dot = mtime.find('.');
  uint64_t sec = 0, nsec = 0;
  if (dot != std::string::npos && ParseNumber(mtime.substr(0, dot), sec) && ParseNumber(mtime.substr(dot + 1), nsec) &&
      nsec < 1000000000) {
    e.mtimeSec = static_cast<int64_t>(sec);
    e.mtimeNsec = static_cast<int64_t>(nsec);
  }
  auto before = Fingerprint::FromHex(f["before"]);
  auto after = Fingerprint::FromHex(f["after"]);
  // Only absolute paths: a journal names files wherever the program was started from.
  if (e.path.empty() || e.path[0] != '/' || !before || !after || (e.copy.empty() == e.data.empty())) return std::nullopt;
  if ((!e.copy.empty() && e.copy[0] != '/') || (!e.data.empty() && e.data[0] != '/')) return std::nullopt;
  e.before = *before;
  e.after = *after;
  return e;
}

bool WriteAllAt(int fd, std::string_view bytes, uint64_t offset) {
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

// The record of a signed line, when its signature is the one that follows `previous`.
std::optional<std::string_view> Verified(std::string_view line, const LineMac& previous, const JournalKey& key,
                                         LineMac& mac) {
  if (line.size() < kMacField.size() + kMacHex) return std::nullopt;
  const size_t at = line.size() - kMacHex - kMacField.size();
  if (line.substr(at, kMacField.size()) != kMacField) return std::nullopt;
  const std::string_view record = line.substr(0, at);
  mac = key.Mac(previous, record);
  if (line.substr(at + kMacField.size()) != MacHex(mac)) return std::nullopt;
  return record;
}

// The signature a line claims for itself (its last field), whether or not it is the right one.
std::optional<LineMac> ClaimedMac(std::string_view line) {
  if (line.size() < kMacField.size() + kMacHex) return std::nullopt;
  const size_t at = line.size() - kMacHex;
  if (line.substr(at - kMacField.size(), kMacField.size()) != kMacField) return std::nullopt;
  LineMac mac{};
  for (size_t i = 0; i < mac.size(); ++i) {
    auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    const int hi = digit(line[at + 2 * i]), lo = digit(line[at + 2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    mac[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return mac;
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

std::vector<const JournalEntry*> Journal::ChangedFiles() const {
  struct Changed {
    uint64_t first;
    const JournalEntry* latest;
  };
  std::unordered_map<std::string, Changed> byPath;
  for (const JournalEntry& e : entries) {
    if (!done.count(e.n)) continue;
    auto [it, fresh] = byPath.emplace(e.path, Changed{e.n, &e});
    if (!fresh) {
      it->second.first = std::min(it->second.first, e.n);
      if (e.n > it->second.latest->n) it->second.latest = &e;
    }
  }
  std::vector<Changed> sorted;
  sorted.reserve(byPath.size());
  for (const auto& [path, changed] : byPath) sorted.push_back(changed);
  std::sort(sorted.begin(), sorted.end(), [](const Changed& a, const Changed& b) { return a.first < b.first; });
  std::vector<const JournalEntry*> out;
  out.reserve(sorted.size());
  for (const Changed& c : sorted) out.push_back(c.latest);
  return out;
}

namespace {

// Takes one signed record into the journal.
void Record(Journal& j, std::string_view line, std::unordered_map<uint64_t, fs::FileId>& written) {
  const std::string_view word = line.substr(0, line.find(' '));
  if (word == "run") {
    auto f = Fields(line);
    j.header.id = f["id"];
    j.header.kind = f["kind"] == "1" ? RunKind::SelectedFiles : RunKind::FolderTree;
    j.header.copies = f["copies"] == "1";
    j.header.source = f["source"];
    j.header.output = f["output"];
  } else if (word == "rule") {
    auto f = Fields(line);
    uint64_t n = 0;
    ParseNumber(f["n"], n);
    j.header.rules.push_back(
        {static_cast<size_t>(n), f["find"], f["replacement"], OptionsFromLetters(f["options"]).value_or(RuleOptions{})});
  } else if (word == "table") {
    auto f = Fields(line);
    uint64_t pairs = 0;
    ParseNumber(f["pairs"], pairs);
    j.header.table = f["path"];
    j.header.tablePairs = static_cast<size_t>(pairs);
  } else if (word == "done" || word == "writing" || word == "left" || word == "restoring" || word == "restored") {
    auto f = Fields(line);
    uint64_t n = 0;
    if (!ParseNumber(f["n"], n)) return;
    if (word == "done") {
      j.done.insert(n);
      uint64_t device = 0, inode = 0;
      if (ParseNumber(f["dev"], device) && ParseNumber(f["ino"], inode)) written[n] = fs::FileId{device, inode};
    } else if (word == "writing") {
      (j.restoreOpen ? j.restoreWriting : j.writing).insert(n);
    } else if (word == "left") {
      (j.restoreOpen ? j.restoreWriting : j.writing).erase(n);
    } else {
      (word == "restoring" ? j.restoring : j.restored).insert(n);
    }
  } else if (word == "listed" || word == "reached") {
    uint64_t count = 0;
    if (!ParseNumber(Fields(line)["count"], count)) return;
    if (word == "listed") {
      j.listed = count;
    } else {
      j.reached = count;
    }
  } else if (word == "closed") {
    j.closed = Fields(line)["reason"];
  } else if (word == "restore-begin") {
    j.restoreOpen = true;
    j.restoring.clear();
    j.restoreWriting.clear();
    j.restored.clear();
  } else if (word == "restore-end") {
    j.restoreOpen = false;
  }
}

}  // namespace

std::optional<Journal> ParseJournal(std::string_view text, const JournalKey& key, std::string& why) {
  Journal j;
  LineMac previous{};
  // After a damaged line the next one may follow from the signature that line claims (its record was
  // damaged) or from the last good one (the damaged line is one that does not belong).
  std::optional<LineMac> claimed;
  std::unordered_map<uint64_t, fs::FileId> written;
  size_t at = 0, number = 0;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    const bool tail = end == std::string_view::npos;
    if (tail) end = text.size();
    const std::string_view raw = text.substr(at, end - at);
    ++number;
    LineMac mac;
    std::optional<std::string_view> record = Verified(raw, previous, key, mac);
    if (!record && claimed) record = Verified(raw, *claimed, key, mac);
    if (!record) {
      if (first) {
        why = "not a journal of this program for this user";
        return std::nullopt;
      }
      // A torn last line is what a write cut short leaves; it is no damage.
      if (tail) break;
      j.damagedLines.push_back(number);
      if (auto own = ClaimedMac(raw)) claimed = own;
      at = end + 1;
      j.length = at;
      continue;
    }
    claimed.reset();
    at = tail ? end : end + 1;
    previous = mac;
    j.length = at;
    j.last = mac;
    j.unterminated = tail;
    if (first) {
      if (*record != kMagic) {
        why = "not a journal of this program";
        return std::nullopt;
      }
      first = false;
      continue;
    }
    if (record->substr(0, record->find(' ')) == "entry") {
      auto e = ParseEntry(*record);
      if (!e) {
        // Signed by this program, yet not understood: nothing of it is acted on.
        why = "an entry that cannot be read";
        return std::nullopt;
      }
      j.entries.push_back(std::move(*e));
      continue;
    }
    Record(j, *record, written);
  }
  if (first) {
    why = "not a journal of this program";
    return std::nullopt;
  }
  // What the run was (its folders, whether it kept copies) must be known to act on any of it.
  if (j.header.id.empty()) {
    why = "the line that says which run it is cannot be read";
    return std::nullopt;
  }
  for (JournalEntry& e : j.entries) {
    auto it = written.find(e.n);
    if (it != written.end()) e.written = it->second;
  }
  return j;
}

fs::OpenedFile OpenEntryFile(const JournalHeader& header, const JournalEntry& entry, bool write) {
  const bool inside = fs::PathInside(entry.path, header.source) && !header.source.empty() && header.source[0] == '/';
  return fs::OpenedFile::OpenBeneath(inside ? header.source : std::string("/"), entry.path, write);
}

bool FileIsTheRuns(const JournalEntry& entry, const fs::FileStat& now) {
  if (entry.written.Known() && now.Id() == entry.written) return true;
  if (entry.owned) return now.uid == entry.uid && now.gid == entry.gid;
  return !entry.written.Known();
}

HeldJournal::~HeldJournal() {
  if (fd_ >= 0) ::close(fd_);
}

HeldJournal::HeldJournal(HeldJournal&& o) noexcept { *this = std::move(o); }

HeldJournal& HeldJournal::operator=(HeldJournal&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    status_ = o.status_;
    why_ = std::move(o.why_);
    path_ = std::move(o.path_);
    fd_ = o.fd_;
    journal_ = std::move(o.journal_);
    o.fd_ = -1;
    o.status_ = Status::Missing;
  }
  return *this;
}

HeldJournal HeldJournal::Open(const std::string& path, const JournalKey& key) {
  HeldJournal h;
  h.path_ = path;
  auto refuse = [&h](Status status, std::string why) {
    if (h.fd_ >= 0) ::close(h.fd_);
    h.fd_ = -1;
    h.status_ = status;
    h.why_ = std::move(why);
    return std::move(h);
  };
  if (path.empty() || path[0] != '/') return refuse(Status::Missing, {});
  // The lock is taken on the file the name holds; a journal put in its place meanwhile (by a run that
  // took this one over) is locked in turn.
  for (int attempt = 0;; ++attempt) {
    h.fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (h.fd_ < 0) {
      if (errno == ENOENT) return refuse(Status::Missing, {});
      return refuse(Status::Refused, errno == ELOOP ? std::string("a link") : fs::ErrorText(errno));
    }
    std::string why;
    if (!fs::IsPrivateFile(h.fd_, why)) return refuse(Status::Refused, why);
    if (!fs::TryLockExclusive(h.fd_)) return refuse(Status::Busy, {});
    struct stat held, named;
    if (::fstat(h.fd_, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      break;
    }
    ::close(h.fd_);
    h.fd_ = -1;
    if (attempt == 8) return refuse(Status::Busy, {});
  }
  const size_t slash = path.rfind('/');
  std::string why;
  if (!fs::IsSafeFolder(path.substr(0, slash + 1), why)) return refuse(Status::Refused, why);
  h.status_ = Status::Ok;
  if (!h.Reread(key)) return refuse(Status::Refused, h.why_);
  return h;
}

bool HeldJournal::Reread(const JournalKey& key) {
  std::string text;
  char buffer[65536];
  for (uint64_t offset = 0;;) {
    const ssize_t n = ::pread(fd_, buffer, sizeof buffer, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why_ = fs::ErrorText(errno);
      return false;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
  auto journal = ParseJournal(text, key, why_);
  if (!journal) return false;
  journal_ = std::move(*journal);
  return true;
}

JournalWriter::~JournalWriter() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<JournalWriter> JournalWriter::Create(const std::string& path, const JournalHeader& header,
                                                     const std::vector<JournalEntry>& carried, const JournalKey& key,
                                                     bool replace, std::string& why) {
  const size_t slash = path.rfind('/');
  const std::string folder = path.substr(0, slash + 1);
  const std::string temp = folder + "." + path.substr(slash + 1) + "." + header.id + ".new";
  const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    why = temp + ": " + fs::ErrorText(errno);
    return nullptr;
  }
  std::unique_ptr<JournalWriter> w(new JournalWriter(path, fd, key, 0, LineMac{}));
  bool ok = fs::TryLockExclusive(fd) && w->Line(kMagic);
  std::string run = "run";
  run += Field("id", header.id);
  run += Field("kind", header.kind == RunKind::SelectedFiles ? "1" : "2");
  run += Field("copies", header.copies ? "1" : "0");
  run += Field("source", header.source);
  run += Field("output", header.output);
  ok = ok && w->Line(run);
  for (size_t i = 0; i < header.rules.size(); ++i) {
    std::string rule = "rule" + NumberField("n", header.rules[i].n);
    rule += Field("find", header.rules[i].find);
    rule += Field("replacement", header.rules[i].replacement);
    rule += Field("options", OptionLetters(header.rules[i].options));
    ok = ok && w->Line(rule);
  }
  if (!header.table.empty()) ok = ok && w->Line("table" + Field("path", header.table) + NumberField("pairs", header.tablePairs));
  for (const JournalEntry& e : carried) ok = ok && w->Entry(e) && w->Done(e.n, e.written);
  ok = ok && ::fdatasync(fd) == 0;
  // Never over a journal that another program has put there meanwhile.
  ok = ok && (replace ? ::rename(temp.c_str(), path.c_str()) == 0 : fs::RenameNoReplace(temp, path));
  if (!ok) {
    why = path + ": " + fs::ErrorText(errno);
    ::unlink(temp.c_str());
    return nullptr;
  }
  // The journal's name reaches the disk before any file is touched.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool named = dir >= 0 && ::fsync(dir) == 0;
  const int saved = errno;
  if (dir >= 0) ::close(dir);
  if (!named) {
    why = folder + ": " + fs::ErrorText(saved);
    return nullptr;
  }
  return w;
}

std::unique_ptr<JournalWriter> JournalWriter::Continue(HeldJournal& held, const JournalKey& key) {
  if (!held.Ok() || ::ftruncate(held.fd_, static_cast<off_t>(held.journal_.length)) != 0) return nullptr;
  uint64_t offset = held.journal_.length;
  // A last line whose line break was not written gets it, so that the next line is a line of its own.
  if (held.journal_.unterminated) {
    if (!WriteAllAt(held.fd_, "\n", offset)) return nullptr;
    ++offset;
    held.journal_.unterminated = false;
    held.journal_.length = offset;
  }
  // The same open file: the lock is one and stays while either descriptor is open.
  const int fd = ::fcntl(held.fd_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  return std::unique_ptr<JournalWriter>(new JournalWriter(held.path_, fd, key, offset, held.journal_.last));
}

bool JournalWriter::Line(std::string_view record) {
  if (broken_) {
    errno = EIO;
    return false;
  }
  const LineMac mac = key_.Mac(last_, record);
  std::string line(record);
  line += kMacField;
  line += MacHex(mac);
  line += '\n';
  if (!WriteAllAt(fd_, line, offset_)) {
    // A line written in part is taken away again, so that later lines are not joined to it.
    if (::ftruncate(fd_, static_cast<off_t>(offset_)) != 0) broken_ = true;
    return false;
  }
  offset_ += line.size();
  last_ = mac;
  return true;
}

bool JournalWriter::Entry(const JournalEntry& e) { return Line(EntryRecord(e)); }
bool JournalWriter::Writing(uint64_t n) { return Line("writing" + NumberField("n", n)) && Sync(); }
bool JournalWriter::Left(uint64_t n) { return Line("left" + NumberField("n", n)) && Sync(); }
bool JournalWriter::Done(uint64_t n, const fs::FileId& written) {
  std::string record = "done" + NumberField("n", n);
  if (written.Known()) record += NumberField("dev", written.device) + NumberField("ino", written.inode);
  return Line(record);
}
bool JournalWriter::Listed(uint64_t count) { return Line("listed" + NumberField("count", count)); }
bool JournalWriter::Reached(uint64_t count) { return Line("reached" + NumberField("count", count)); }
bool JournalWriter::Closed(std::string_view reason) { return Line("closed" + Field("reason", reason)) && Sync(); }
bool JournalWriter::RestoreBegin() { return Line("restore-begin") && Sync(); }
bool JournalWriter::Restoring(uint64_t n) { return Line("restoring" + NumberField("n", n)); }
bool JournalWriter::Restored(uint64_t n) { return Line("restored" + NumberField("n", n)); }
bool JournalWriter::RestoreEnd() { return Line("restore-end") && Sync(); }
bool JournalWriter::Sync() {
  if (broken_) errno = EIO;
  return !broken_ && ::fdatasync(fd_) == 0;
}

}  // namespace zur
