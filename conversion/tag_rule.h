#pragma once

#include "command_line.h"
#include "source_tags.h"

// How a run carries the tags of a source into the file the transcoder makes from it. The
// transcoder writes bare audio, so without this the tags would be lost.
enum class TagRoute {
    None,         // an AC3 target: raw AC-3 has no place for tags
    Id3Transfer,  // an MP3 made from an MP3 source (SourceKind "MP3"): its ID3v1 and ID3v2 tags
                  // as the ID3 module reads and writes them
    Library,      // every other source into MP3, MPA or WAV: read by the source's kind (tags
                  // library), written as the target's kind holds tags
};

// The route of `job`, by its target format and its SourceKind.
TagRoute TagRouteFor(const ConversionJob& job);

// True when the run carries the source's tags over to the output of `job` (any route but None).
bool CarriesTags(const ConversionJob& job);

// The kind of target the tags library writes for `format`.
tags::TargetKind TagTargetOf(TargetFormat format);
