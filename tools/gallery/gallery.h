#pragma once

#include <QPalette>
#include <QString>

#include <optional>

// Each control renders its own pictures into `outDir`; false when a file could not be written.
bool RenderUltraBoxGallery(const QString& outDir);
bool RenderProgressBarGallery(const QString& outDir);

// Writes "ultrabox-accessibility.txt": the accessibility tree of a small file list, as Qt
// hands it to screen readers. False when the file could not be written.
bool WriteAccessibilityTree(const QString& outDir);

// The desktop palette called `name`: "light" (Qt's own), "dark" (Adwaita-dark) or
// "contrast" (white on black); none for another name.
std::optional<QPalette> GalleryPalette(const QString& name);
