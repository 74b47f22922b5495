#pragma once

// Marks `text` as a text of the catalogue's context `context` without translating it: app/
// knows no Qt, so the texts it hands up are translated where they are shown.
// scripts/update-translations.sh tells lupdate to read it as QT_TRANSLATE_NOOP.
#define TQ_TRANSLATE_NOOP(context, text) text
