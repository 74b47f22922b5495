#include "window_icon.h"

#include <QPixmap>

#include <filesystem>

namespace window_icon {

std::vector<std::string> Candidates(const std::string& appPath) {
    const std::filesystem::path here(appPath);
    const auto normal = [](const std::filesystem::path& p) {
        return p.lexically_normal().string();
    };
    return {normal(here / "tonquell.png"),
            normal(here / "../../share/icons/hicolor/48x48/apps/tonquell.png")};
}

QIcon ProgramIcon(const std::string& appPath) {
    for (const std::string& file : Candidates(appPath)) {
        const QPixmap pixmap(QString::fromStdString(file));
        if (!pixmap.isNull()) {
            return QIcon(pixmap);
        }
    }
    return {};
}

}  // namespace window_icon
