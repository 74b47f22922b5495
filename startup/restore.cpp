#include "restore.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "file_browser.h"
#include "form_state.h"
#include "main_window.h"
#include "paths.h"
#include "settings_store.h"
#include "user_folders.h"

namespace {

// A relative argument names a file in the working folder, where the program was started.
std::string Absolute(const std::string& file) {
    if (file.empty() || file.front() == '/') {
        return file;
    }
    std::error_code ec;
    const std::string working = std::filesystem::current_path(ec).string();
    return ec ? file : paths::AddBackslash(working) + file;
}

// The folder that holds `file`, with its closing "/"; empty for a name without any "/".
std::string FolderOf(const std::string& file) {
    const std::size_t last = file.rfind('/');
    return last == std::string::npos ? std::string() : file.substr(0, last + 1);
}

// Step 1: folder, filter, selected file and caption. Without a file the filter is "*.*",
// which the caller applies with the rest of the state.
void RestoreFolder(MainWindow& window, const AppValues& values, const std::string& argument,
                   const std::string& settingsPath) {
    if (argument.empty()) {
        // Without a stored folder a portable program opens its own, an installed one the
        // user's music.
        const std::string first =
            user_folders::FirstFolder(values.AppPath, settings::IsSystemInstall(values.IniPath));
        const std::string folder = paths::AddBackslash(
            settings::ReadSetting(settingsPath, values.AppTitle, "LastDir", first));
        if (!window.browser()->SetFolder(folder)) {
            window.dirDirs_Change();  // the list shows the folder it stayed in
        }
        window.setWindowTitle(QString::fromStdString(values.AppTitle));
        return;
    }
    // The filter follows the file's extension; the file's folder is listed with it.
    window.OpenFile(CommandLineFile(argument));
}

// Steps 2 and 3: the stored target format and console option. A value without a control
// (a format outside 0..3, a console value outside 0..2) leaves the window's own.
void RestoreChoices(FormState& state, const AppValues& values, const std::string& settingsPath) {
    const auto stored = [&](const char* key, const char* fallback) {
        return settings::SettingToInt(
            settings::ReadSetting(settingsPath, values.AppTitle, key, fallback));
    };
    if (const auto format = stored("Format", "0")) {
        state.Format = form_state::FormatAt(*format).value_or(state.Format);
    }
    if (const auto hide = stored("HideBS", "1")) {
        state.Console = form_state::ConsoleModeOf(*hide).value_or(state.Console);
    }
    // The output folder is there for when chkOutPath is unticked; the box itself starts ticked.
    state.LastOutPath = settings::ReadSetting(settingsPath, values.AppTitle, "OutPath", "");
    if (const auto skip = stored("SkipExisting", "0")) {
        state.SkipExisting = *skip == 1;
    }
}

// The folder as one settings line can hold it: a name with a line break would split the line
// and could forge other keys, so the nearest folder above it without one is kept instead.
std::string StorableFolder(std::string folder) {
    std::size_t cut = folder.find_first_of("\r\n");
    while (cut != std::string::npos) {
        const std::size_t slash = folder.rfind('/', cut);
        folder.resize(slash == 0 || slash == std::string::npos ? 1 : slash);
        cut = folder.find_first_of("\r\n");
    }
    return folder;
}

}  // namespace

std::string CommandLineFile(const std::string& argument) {
    std::string file = paths::ExpandShortNames(argument);
    paths::StripQuotes(file);
    file = Absolute(file);
    // Names differ by case here: where the case-adjusted copy leads nowhere, the argument
    // as typed (quotes removed) is taken when its folder exists.
    std::string typed = argument;
    paths::StripQuotes(typed);
    typed = Absolute(typed);
    std::error_code ec;
    if (!std::filesystem::is_directory(FolderOf(file), ec) &&
        std::filesystem::is_directory(FolderOf(typed), ec)) {
        file = typed;
    }
    return file;
}

std::string ArgumentText(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text += ' ';
        }
        text += argv[i];
    }
    return text;
}

void RestoreWindow(MainWindow& window, const AppValues& values, const std::string& argument,
                   const std::string& settingsPath) {
    RestoreFolder(window, values, argument, settingsPath);
    FormState state = window.State();
    if (argument.empty()) {
        state.Filter = FileFilter::AllFiles;
    }
    RestoreChoices(state, values, settingsPath);
    // Applying shows the chosen format's options frame alone, also when it was chosen already.
    window.Apply(state);
}

std::string WriteClosingSettings(const MainWindow& window, const AppValues& values,
                                 const settings::SettingsFiles& files) {
    std::vector<std::pair<std::string, std::string>> entries;
    const FormState state = window.State();
    entries.emplace_back("LastDir", StorableFolder(window.browser()->CurrentFolder()));
    entries.emplace_back("Format", std::to_string(static_cast<int>(state.Format)));
    entries.emplace_back("HideBS", std::to_string(static_cast<int>(state.Console)));
    if (!state.LastOutPath.empty()) {
        entries.emplace_back("OutPath", StorableFolder(state.LastOutPath));
    }
    entries.emplace_back("SkipExisting", state.SkipExisting ? "1" : "0");
    return settings::WriteSettings(files, values.AppTitle, entries);
}
