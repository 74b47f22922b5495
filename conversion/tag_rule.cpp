#include "tag_rule.h"

TagRoute TagRouteFor(const ConversionJob& job) {
    if (job.Format == TargetFormat::Ac3) {
        return TagRoute::None;
    }
    if (job.Format == TargetFormat::Mp3 && job.SourceKind == "MP3") {
        return TagRoute::Id3Transfer;
    }
    return TagRoute::Library;
}

bool CarriesTags(const ConversionJob& job) {
    return TagRouteFor(job) != TagRoute::None;
}

tags::TargetKind TagTargetOf(TargetFormat format) {
    switch (format) {
        case TargetFormat::Wav:
            return tags::TargetKind::Wav;
        case TargetFormat::Mp3:
            return tags::TargetKind::Mp3;
        case TargetFormat::Ac3:
            return tags::TargetKind::Ac3;
        case TargetFormat::Mpa:
            return tags::TargetKind::Mpa;
    }
    return tags::TargetKind::Wav;
}
