#include "window/settings/settingsstore.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "core/files/paths.h"
#include "core/platform/filesystem.h"
#include "core/settings/profile.h"
#include "core/settings/ruleoptions.h"
#include "window/files/filelist.h"
#include "window/form/formbase.h"
#include "window/form/qtext.h"
#include "window/replace/rulerows.h"

namespace zur {
namespace {

std::string Normalised(std::string value) {
  NormalizeFolderPath(value);
  return value;
}

}  // namespace

std::string SettingsStore::DefaultFolder(const char* leaf) const {
  return f_.Env().homeDir + "/Tavimex/TextReplace/" + leaf + "/";
}

std::string SettingsStore::TextFile(const char* format, int row) const {
  std::string name = format;
  if (row > 0) name += std::to_string(row);
  return f_.SettingsDir() + name + ".txt";
}

// A text file that exists but cannot be read is passed over (the other boxes still load), and is
// remembered so that the exit does not overwrite it with an empty box.
void SettingsStore::LoadBox(QPlainTextEdit* box, const std::string& file) {
  if (!FileExists(file)) return;
  try {
    SetBoxBytes(box, fs::ReadFile(file), f_.Cp());
  } catch (...) {
    unread_.insert(file);
  }
}

void SettingsStore::SaveBox(QPlainTextEdit* box, const std::string& file) {
  if (unread_.count(file)) return;
  // Every line followed by CR LF; an empty box gives an empty file.
  std::string bytes = BoxBytes(box, f_.Cp());
  if (!bytes.empty() && bytes.compare(bytes.size() - 1, 1, "\n") != 0) bytes += "\r\n";
  fs::WriteFileSafely(file, bytes);
}

void SettingsStore::LoadSettings() {
  try {
    FormState& s = f_.State();
    MainView& v = f_.View();
    if (!s.Settings) s.Settings = std::make_unique<ProfileFile>(f_.SettingsDir() + "defualt.ini", "default");
    const ProfileFile& ini = *s.Settings;

    s.SourcePath = Normalised(ini.ReadString("RECPath", DefaultFolder("source")));
    v.EdtPath->setText(f_.Q(s.SourcePath));
    s.OutputPath = Normalised(ini.ReadString("OutputPath", DefaultFolder("output")));
    v.EdtOutput->setText(f_.Q(s.OutputPath));
    s.BackupPath = Normalised(ini.ReadString("BackupPath", DefaultFolder("bak")));
    v.EdtBackupPath->setText(f_.Q(s.BackupPath));
    v.EditOldFileName->setText(f_.Q(ini.ReadString("OldFileName", "")));
    v.EditNewFileName->setText(f_.Q(ini.ReadString("NewFileName", "")));
    v.EdtEXT->setText(f_.Q(ini.ReadString("EdtEXT", kDefaultExtensions)));
    // Setting the boxes runs their click behaviour: a stored true for "CbCover" shows the source
    // folder in the output field while OutputPath keeps the stored value.
    v.cbBackupWhenTransfter->setChecked(ini.ReadBool("BackupWhenT", false));
    v.CbCover->setChecked(ini.ReadBool("CbCover", false));
    v.CbFollowOutside->setChecked(ini.ReadBool("FollowOutside", false));
    v.EdtExclude->setText(f_.Q(ini.ReadString("Exclude", "")));
    v.CbSkipHidden->setChecked(ini.ReadBool("SkipHidden", false));
    v.EdtMaxSize->setText(f_.Q(ini.ReadString("MaxSize", "")));
    const int page = ini.ReadInteger("BatchType", 0);
    // A page number the window does not have opens the first page (and is saved as 0).
    v.PageControl1->setCurrentIndex(page >= 0 && page < v.PageControl1->count() ? page : 0);
    for (int row = 1; row <= 3; ++row) {
      LoadBox(v.MmRuleFind[row], TextFile("KeyText", row));
      LoadBox(v.MmRuleReplace[row], TextFile("ReplaceText", row));
    }
    for (int row = 1; row <= 3; ++row) rows_.SetOptions(row, RowOptionsFrom(ini, row));
    const RuleOptions search = SearchOptionsFrom(ini);
    v.CbSearchMatchCase->setChecked(search.matchCase);
    v.CbSearchWholeWord->setChecked(search.wholeWord);
    v.CbSearchRegex->setChecked(search.regex);
    v.EdtRuleTable->setText(f_.Q(ini.ReadString("RuleTable", "")));
    LoadBox(v.MmoSearchText, TextFile("SearchKey"));
    LoadBox(v.MmSearchReplace, TextFile("MmSearchReplace"));
    s.SourcePath = f_.B(v.EdtPath->text());
    s.DialogFolder = v.EdtPath->text();
    s.CurListIndex = ini.ReadInteger("curListIndex", 0);
    // The list is still empty here; the refresh that follows focuses this index.
    if (s.CurListIndex >= 0 && s.CurListIndex < v.LbDocList->count()) {
      v.LbDocList->setCurrentRow(s.CurListIndex, QItemSelectionModel::NoUpdate);
    }
  } catch (...) {
    f_.ReportFailure();
  }
}

void SettingsStore::SaveSettings() {
  try {
    FormState& s = f_.State();
    MainView& v = f_.View();
    if (!s.Settings) s.Settings = std::make_unique<ProfileFile>(f_.SettingsDir() + "defualt.ini", "default");
    ProfileFile& ini = *s.Settings;
    // The folder fields are saved as they stand; they are normalised at the next start.
    ini.WriteString("RECPath", f_.B(v.EdtPath->text()));
    ini.WriteString("OutputPath", f_.B(v.EdtOutput->text()));
    ini.WriteString("OldFileName", f_.B(v.EditOldFileName->text()));
    ini.WriteString("NewFileName", f_.B(v.EditNewFileName->text()));
    ini.WriteString("EdtEXT", f_.B(v.EdtEXT->text()));
    ini.WriteBool("BackupWhenT", v.cbBackupWhenTransfter->isChecked());
    ini.WriteBool("CbCover", v.CbCover->isChecked());
    ini.WriteString("BackupPath", s.BackupPath);
    ini.WriteInteger("BatchType", v.PageControl1->currentIndex());
    for (int row = 1; row <= 3; ++row) {
      SaveBox(v.MmRuleFind[row], TextFile("KeyText", row));
      SaveBox(v.MmRuleReplace[row], TextFile("ReplaceText", row));
    }
    ini.WriteInteger("curListIndex", v.LbDocList->currentRow());
    // Options added since: after the keys of old, so that an old file keeps its order.
    ini.WriteBool("FollowOutside", v.CbFollowOutside->isChecked());
    for (int row = 1; row <= 3; ++row) WriteRowOptions(ini, row, rows_.OptionsOf(row));
    WriteSearchOptions(ini, {v.CbSearchMatchCase->isChecked(), v.CbSearchWholeWord->isChecked(), v.CbSearchRegex->isChecked()});
    ini.WriteString("RuleTable", f_.B(v.EdtRuleTable->text().trimmed()));
    ini.WriteString("Exclude", f_.B(v.EdtExclude->text()));
    ini.WriteBool("SkipHidden", v.CbSkipHidden->isChecked());
    ini.WriteString("MaxSize", f_.B(v.EdtMaxSize->text().trimmed()));
    SaveBox(v.MmoSearchText, TextFile("SearchKey"));
    SaveBox(v.MmSearchReplace, TextFile("MmSearchReplace"));
  } catch (...) {
    // The first write that fails ends saving; nothing after it is written.
  }
}

}  // namespace zur
