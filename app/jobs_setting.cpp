#include "jobs_setting.h"

#include "settings_location.h"
#include "settings_store.h"

int JobsSetting(const AppValues& values) {
    const std::string path = settings::ReadPath(settings::SettingsFilesFor(values.IniPath));
    const auto jobs =
        settings::SettingToInt(settings::ReadSetting(path, values.AppTitle, "Jobs", ""));
    return jobs && *jobs >= 1 ? *jobs : 0;
}
