// tonquell-gallery OUTDIR: renders the owner-drawn controls into PNG files.
#include <QApplication>
#include <QDir>

#include <cstdio>

#include "gallery.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonquell-gallery OUTDIR\n");
        return 2;
    }
    // The gallery only writes files: unless a platform is chosen from outside, it draws
    // offscreen, so that it runs without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "tonquell-gallery: cannot create folder '%s'\n", argv[1]);
        return 1;
    }
    bool ok = RenderUltraBoxGallery(outDir);
    ok = RenderProgressBarGallery(outDir) && ok;
    return ok ? 0 : 1;
}
