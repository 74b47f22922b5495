#include "tag_rule.h"

bool CarriesTags(const ConversionJob& job) {
    return job.Format == TargetFormat::Mp3 && job.SourceKind == "MP3";
}
