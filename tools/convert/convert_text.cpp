#include "convert_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace convert_cli {
namespace {

constexpr const char* kProgram = "tonquell-convert";

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string SystemReason(std::int64_t number) {
    return std::strerror(static_cast<int>(number));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Appends the code point `c` as UTF-8.
void AppendUtf8(std::string& out, unsigned c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The length of the valid UTF-8 sequence at `i`, or 0.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t n = b < 0x80         ? 1
                          : (b >> 5) == 6  ? 2
                          : (b >> 4) == 14 ? 3
                          : (b >> 3) == 30 ? 4
                                           : 0;
    if (n == 0 || i + n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return n;
}

// `text` as a JSON string; a byte that is not part of valid UTF-8 becomes U+FFFD.
std::string Json(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            AppendUtf8(out, 0xFFFD);
            ++i;
            continue;
        }
        if (n > 1) {
            out += text.substr(i, n);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
        i += n;
    }
    return out + "\"";
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// The transcoder's line names the source, which the line around it names already.
std::string WithoutOwnName(const batch::FileReport& file) {
    const std::string own = "BeSweet.exe: '" + file.Source + "': ";
    return file.Detail.rfind(own, 0) == 0 ? file.Detail.substr(own.size()) : file.Detail;
}

}  // namespace

std::string OutcomeWord(batch::Outcome outcome) {
    switch (outcome) {
        case batch::Outcome::Converted:
            return "converted";
        case batch::Outcome::Warned:
            return "warned";
        case batch::Outcome::Skipped:
            return "skipped";
        case batch::Outcome::Refused:
            return "refused";
        case batch::Outcome::Failed:
            return "failed";
        case batch::Outcome::Stopped:
            return "stopped";
    }
    return "failed";
}

std::string ReasonText(const batch::FileReport& file) {
    using batch::Cause;
    switch (file.Why) {
        case Cause::None:
            return file.Result == batch::Outcome::Stopped ? "stopped before it was done" : "";
        case Cause::TranscoderNotStarted:
            return "the transcoder could not start: " + file.Detail;
        case Cause::TranscoderFailed:
            return (file.Detail.empty() ? "the transcoder failed" : WithoutOwnName(file)) +
                   " (transcoder status " + std::to_string(file.Number) + ")";
        case Cause::NoOutput:
            return "the transcoder wrote no output";
        case Cause::TagsNotWritten:
            return "the tags could not be written" +
                   (file.Detail.empty() ? std::string() : ": " + file.Detail);
        case Cause::NameTooLong:
            return "target name " + Quoted(file.Target) + " is " + std::to_string(file.Number) +
                   " bytes long, its folder allows " + std::to_string(file.Limit);
        case Cause::TargetExists:
            return file.Result == batch::Outcome::Skipped
                       ? Quoted(file.Target) + " exists"
                       : Quoted(file.Target) + " exists too; nothing is overwritten";
        case Cause::SourceGone:
            return file.Number != 0 ? SystemReason(file.Number) : "the file is gone";
        case Cause::LinkInOutput:
            return Quoted(file.Detail) + " in the output folder is a link";
        case Cause::NotAFolderInOutput:
            return Quoted(file.Detail) + " in the output folder is not a folder";
        case Cause::FolderNotMade:
            return "folder " + Quoted(file.Detail) +
                   " cannot be made: " + SystemReason(file.Number);
        case Cause::FolderUnreadable:
            return "the folder cannot be read: " + SystemReason(file.Number);
        case Cause::Warnings:
            return file.Detail;
    }
    return file.Detail;
}

std::string ProblemLines(const batch::FileReport& file) {
    const std::string head = std::string(kProgram) + ": ";
    switch (file.Result) {
        case batch::Outcome::Converted:
        case batch::Outcome::Skipped:
            return {};
        case batch::Outcome::Warned: {
            std::string lines;
            for (const std::string& warning : Lines(file.Detail)) {
                lines += head + "warning: " + Quoted(file.Source) + ": " + warning + "\n";
            }
            return lines;
        }
        default:
            return head + OutcomeWord(file.Result) + ": " + Quoted(file.Source) + ": " +
                   ReasonText(file) + "\n";
    }
}

std::string PlanLine(const batch::FileReport& file) {
    switch (file.Result) {
        case batch::Outcome::Converted:
        case batch::Outcome::Warned:
            return file.Source + " -> " + file.Target;
        case batch::Outcome::Skipped:
            return file.Source + ": skip, " + ReasonText(file);
        case batch::Outcome::Refused:
            return file.Source + ": refuse, " + ReasonText(file);
        default:
            return file.Source + ": fail, " + ReasonText(file);
    }
}

std::string Clock(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    }
    return text;
}

std::string ProgressLine(int done, int total, const std::vector<std::string>& running, int percent,
                         double elapsed, std::size_t width) {
    std::string line;
    if (total == 0) {
        line = "counting files, " + Clock(elapsed) + " elapsed";
    } else {
        line = std::to_string(done) + "/" + std::to_string(total) + " done, " +
               std::to_string(running.size()) + " running, " + Clock(elapsed) + " elapsed";
        if (percent > 0 && percent < 100) {
            line += ", about " + Clock(elapsed * (100 - percent) / percent) + " left";
        }
        for (std::size_t i = 0; i < running.size(); ++i) {
            line += (i == 0 ? " | " : ", ") + running[i].substr(running[i].rfind('/') + 1);
        }
    }
    if (line.size() > width) {
        std::size_t cut = width;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;  // not inside a UTF-8 sequence
        }
        line.resize(cut);
    }
    return line;
}

std::string SummaryLine(const batch::Report& report, double seconds, bool dryRun) {
    const int files = static_cast<int>(report.Files.size());
    std::string line =
        (dryRun ? "dry run: " : "") + std::to_string(files) + (files == 1 ? " file" : " files");
    std::string counts;
    for (int i = 0; i < batch::kOutcomeCount; ++i) {
        const auto outcome = static_cast<batch::Outcome>(i);
        const int count = report.Count(outcome);
        if (count == 0) {
            continue;
        }
        std::string word = OutcomeWord(outcome);
        if (dryRun && outcome == batch::Outcome::Converted) {
            word = "to convert";
        } else if (dryRun && outcome == batch::Outcome::Skipped) {
            word = "to skip";
        } else if (dryRun && outcome == batch::Outcome::Refused) {
            word = "to refuse";
        } else if (dryRun && outcome == batch::Outcome::Failed) {
            word = "to fail";
        }
        counts += (counts.empty() ? "" : ", ") + std::to_string(count) + " " + word;
    }
    if (!counts.empty()) {
        line += ": " + counts;
    }
    if (report.Stopped) {
        const int left = report.Total - report.Done - report.Count(batch::Outcome::Stopped);
        line += std::string(counts.empty() ? ":" : ";") + " stopped, " +
                std::to_string(std::max(left, 0)) + " not started";
    }
    return line + (dryRun ? "" : " in " + Clock(seconds));
}

std::string JsonReport(const batch::Report& report, const std::map<std::string, double>& seconds,
                       double total, bool dryRun, int exitStatus) {
    std::string json = "{\n  \"files\": [";
    bool first = true;
    for (const batch::FileReport& file : report.Files) {
        const auto ran = seconds.find(file.Source);
        std::string warnings;
        if (file.Result == batch::Outcome::Warned) {
            for (const std::string& warning : Lines(file.Detail)) {
                warnings += (warnings.empty() ? "" : ", ") + Json(warning);
            }
        }
        const std::string reason = ReasonText(file);
        json += std::string(first ? "\n" : ",\n") + "    {\"source\": " + Json(file.Source) +
                ", \"target\": " + (file.Target.empty() ? "null" : Json(file.Target)) +
                ", \"outcome\": " + Json(OutcomeWord(file.Result)) + ", \"reason\": " +
                (reason.empty() || file.Result == batch::Outcome::Warned ? "null" : Json(reason)) +
                ", \"warnings\": [" + warnings +
                "], \"seconds\": " + Seconds(ran == seconds.end() ? 0.0 : ran->second) + "}";
        first = false;
    }
    json += std::string(first ? "" : "\n  ") +
            "],\n  \"summary\": {\"files\": " + std::to_string(report.Files.size());
    for (int i = 0; i < batch::kOutcomeCount; ++i) {
        const auto outcome = static_cast<batch::Outcome>(i);
        json += ", " + Json(OutcomeWord(outcome)) + ": " + std::to_string(report.Count(outcome));
    }
    json += std::string(", \"seconds\": ") + Seconds(total) +
            ", \"dry_run\": " + (dryRun ? "true" : "false") +
            ", \"interrupted\": " + (report.Stopped ? "true" : "false") +
            ", \"exit_status\": " + std::to_string(exitStatus) + "}\n}\n";
    return json;
}

std::string OutputProblemText(const batch::OutputFolderCheck& check, const std::string& given) {
    const std::string head = "output folder " + Quoted(given) + " ";
    switch (check.Problem) {
        case batch::OutputProblem::None:
            return {};
        case batch::OutputProblem::Empty:
            return "no output folder given";
        case batch::OutputProblem::NotAbsolute:
            return head + "is not a full path";
        case batch::OutputProblem::NotAFolder:
            return head + "is not a folder";
        case batch::OutputProblem::NotMade:
            return head + "cannot be made: " + SystemReason(check.Errno);
        case batch::OutputProblem::NotWritable:
            return head + "cannot be written: " + SystemReason(check.Errno);
    }
    return head + "cannot be used";
}

int ExitStatusOf(const batch::Report& report) {
    for (const batch::FileReport& file : report.Files) {
        if (file.Result != batch::Outcome::Converted && file.Result != batch::Outcome::Warned &&
            file.Result != batch::Outcome::Skipped) {
            return 1;
        }
    }
    return 0;
}

}  // namespace convert_cli
