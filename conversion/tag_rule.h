#pragma once

#include "command_line.h"

// True when the run carries the source's ID3v1 and ID3v2 tags over to the output of `job`:
// an MP3 made from an MP3 source (SourceKind "MP3"). The transcoder writes bare audio, so
// without this the tags would be lost; other targets cannot hold ID3 tags.
bool CarriesTags(const ConversionJob& job);
