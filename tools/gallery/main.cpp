// tonquell-gallery [--scale N] [--palette light|dark|contrast] OUTDIR: renders the
// owner-drawn controls into PNG files, on a screen scaled by N (a number from 1 to 4) and
// under a desktop palette when asked, and writes what screen readers see of a small list.
#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "gallery.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: tonquell-gallery [--scale N] [--palette light|dark|contrast] OUTDIR\n");
}

}  // namespace

int main(int argc, char** argv) {
    const char* scale = nullptr;
    const char* paletteName = "light";
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--scale") == 0) {
            scale = argv[i + 1];
        } else if (std::strcmp(argv[i], "--palette") == 0) {
            paletteName = argv[i + 1];
        } else {
            break;
        }
    }
    if (i != argc - 1) {
        Usage();
        return 2;
    }
    if (scale != nullptr) {
        char* end = nullptr;
        const double factor = std::strtod(scale, &end);
        if (end == scale || *end != '\0' || !(factor >= 1 && factor <= 4)) {
            std::fprintf(stderr, "tonquell-gallery: scale '%s' is not a number from 1 to 4\n",
                         scale);
            return 2;
        }
        // Qt reads the factor when the application starts.
        qputenv("QT_SCALE_FACTOR", scale);
    }
    // The gallery only writes files: unless a platform is chosen from outside, it draws
    // offscreen, so that it runs without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::optional<QPalette> palette = GalleryPalette(QString::fromLatin1(paletteName));
    if (!palette) {
        std::fprintf(stderr, "tonquell-gallery: palette '%s' is not light, dark or contrast\n",
                     paletteName);
        return 2;
    }
    QApplication::setPalette(*palette);
    const char* outArg = argv[argc - 1];
    const QString outDir = QString::fromLocal8Bit(outArg);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "tonquell-gallery: cannot create folder '%s'\n", outArg);
        return 1;
    }
    bool ok = RenderUltraBoxGallery(outDir);
    ok = RenderProgressBarGallery(outDir) && ok;
    ok = WriteAccessibilityTree(outDir) && ok;
    return ok ? 0 : 1;
}
