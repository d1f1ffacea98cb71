#include "core/settings/desktopentry.h"

#include "core/text/text.h"

namespace zur {

std::optional<std::string> DesktopEntryExec(std::string_view text) {
  bool inEntry = false;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line = TrimControl(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (TrimControl(std::string_view(line).substr(0, eq)) == "Exec") return TrimControl(std::string_view(line).substr(eq + 1));
  }
  return std::nullopt;
}

std::vector<std::string> ExpandDesktopExec(std::string_view exec, const std::string& file) {
  // Split into arguments: blanks separate, double quotes group, a backslash escapes inside quotes.
  std::vector<std::pair<std::string, bool>> words;  // text, was quoted
  size_t i = 0;
  while (i < exec.size()) {
    while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t')) ++i;
    if (i >= exec.size()) break;
    std::string word;
    bool quoted = false;
    while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t') {
      if (exec[i] == '"') {
        quoted = true;
        ++i;
        while (i < exec.size() && exec[i] != '"') {
          if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
          word.push_back(exec[i++]);
        }
        ++i;  // the closing quote
      } else {
        word.push_back(exec[i++]);
      }
    }
    words.emplace_back(std::move(word), quoted);
  }

  std::vector<std::string> args;
  bool placed = false;
  for (auto& [word, quoted] : words) {
    if (!quoted && (word == "%f" || word == "%F" || word == "%u" || word == "%U")) {
      args.push_back(file);
      placed = true;
      continue;
    }
    if (!quoted && (word == "%i" || word == "%c" || word == "%k")) continue;
    std::string out;
    for (size_t k = 0; k < word.size(); ++k) {
      if (word[k] == '%' && k + 1 < word.size()) {
        char code = word[++k];
        if (code == '%') out.push_back('%');
        // Any other field code inside a word is dropped.
        continue;
      }
      out.push_back(word[k]);
    }
    if (!out.empty()) args.push_back(std::move(out));
  }
  if (args.empty()) return {};
  if (!placed) args.push_back(file);
  return args;
}

}  // namespace zur
