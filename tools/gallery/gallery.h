#pragma once

#include <QString>

// Each control renders its own pictures into `outDir`; false when a file could not be written.
bool RenderUltraBoxGallery(const QString& outDir);
bool RenderProgressBarGallery(const QString& outDir);
