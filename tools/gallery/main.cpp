// tonquell-gallery [--scale N] OUTDIR: renders the owner-drawn controls into PNG files,
// on a screen scaled by N (a number from 1 to 4) when asked.
#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gallery.h"

int main(int argc, char** argv) {
    const bool scaled = argc == 4 && std::strcmp(argv[1], "--scale") == 0;
    if (argc != 2 && !scaled) {
        std::fprintf(stderr, "usage: tonquell-gallery [--scale N] OUTDIR\n");
        return 2;
    }
    if (scaled) {
        char* end = nullptr;
        const double factor = std::strtod(argv[2], &end);
        if (end == argv[2] || *end != '\0' || !(factor >= 1 && factor <= 4)) {
            std::fprintf(stderr, "tonquell-gallery: scale '%s' is not a number from 1 to 4\n",
                         argv[2]);
            return 2;
        }
        // Qt reads the factor when the application starts.
        qputenv("QT_SCALE_FACTOR", argv[2]);
    }
    // The gallery only writes files: unless a platform is chosen from outside, it draws
    // offscreen, so that it runs without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const char* outArg = argv[argc - 1];
    const QString outDir = QString::fromLocal8Bit(outArg);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "tonquell-gallery: cannot create folder '%s'\n", outArg);
        return 1;
    }
    bool ok = RenderUltraBoxGallery(outDir);
    ok = RenderProgressBarGallery(outDir) && ok;
    return ok ? 0 : 1;
}
