#include "run_report.h"

#include <algorithm>

namespace batch {

int Report::Count(Outcome outcome) const {
    return static_cast<int>(std::count_if(
        Files.begin(), Files.end(), [outcome](const auto& f) { return f.Result == outcome; }));
}

std::vector<FileReport> Report::With(Outcome outcome) const {
    std::vector<FileReport> found;
    std::copy_if(Files.begin(), Files.end(), std::back_inserter(found),
                 [outcome](const FileReport& f) { return f.Result == outcome; });
    return found;
}

bool Report::NeedsAWord() const {
    return std::any_of(Files.begin(), Files.end(), [](const FileReport& f) {
        return f.Result != Outcome::Converted && f.Result != Outcome::Skipped;
    });
}

}  // namespace batch
