#include "restore.h"

#include <QCheckBox>
#include <QRadioButton>

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#include "file_browser.h"
#include "main_window.h"
#include "paths.h"
#include "settings_store.h"

namespace {

// A check box's stored value (0 not ticked, 1 ticked, 2 greyed) as Qt's state.
constexpr std::array<Qt::CheckState, 3> kCheckValues = {Qt::Unchecked, Qt::Checked,
                                                        Qt::PartiallyChecked};

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

// Step 1: folder, filter, selected file and caption.
void RestoreFolder(MainWindow& window, FileBrowser& browser, const AppValues& values,
                   const std::string& argument, const std::string& settingsPath) {
    const QString title = QString::fromStdString(values.AppTitle);
    if (argument.empty()) {
        const std::string folder = paths::AddBackslash(
            settings::ReadSetting(settingsPath, values.AppTitle, "LastDir", values.AppPath));
        browser.SetFolder(folder);
        browser.optPattern_Click(FileBrowser::kAllFilesPattern);
        window.setWindowTitle(title);
        return;
    }
    window.OpenFile(CommandLineFile(argument));
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
    if (FileBrowser* browser = window.browser()) {
        RestoreFolder(window, *browser, values, argument, settingsPath);
    }

    // A stored format without a button leaves WAV chosen with its own options shown.
    const auto format =
        settings::SettingToInt(settings::ReadSetting(settingsPath, values.AppTitle, "Format", "0"));
    if (format && *format >= 0 && *format < MainWindow::kFormatCount) {
        if (QRadioButton* button = window.optFormat(*format)) {
            button->setChecked(true);
        }
        window.optFormat_Click(*format);
    } else {
        window.optFormat_Click(window.ChosenFormat());
    }

    const auto hide =
        settings::SettingToInt(settings::ReadSetting(settingsPath, values.AppTitle, "HideBS", "1"));
    if (hide && *hide >= 0 && *hide < static_cast<int>(kCheckValues.size())) {
        window.Check1()->setCheckState(kCheckValues[static_cast<std::size_t>(*hide)]);
    }
}

std::string WriteClosingSettings(const MainWindow& window, const AppValues& values,
                                 const settings::SettingsFiles& files) {
    std::vector<std::pair<std::string, std::string>> entries;
    if (const FileBrowser* browser = window.browser()) {
        entries.emplace_back("LastDir", StorableFolder(browser->CurrentFolder()));
    }
    if (const int format = window.ChosenFormat(); format >= 0) {
        entries.emplace_back("Format", std::to_string(format));
    }
    const Qt::CheckState hide = window.Check1()->checkState();
    for (std::size_t value = 0; value < kCheckValues.size(); ++value) {
        if (kCheckValues[value] == hide) {
            entries.emplace_back("HideBS", std::to_string(value));
        }
    }
    return settings::WriteSettings(files, values.AppTitle, entries);
}
