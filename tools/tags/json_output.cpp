#include "json_output.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace tags_tool {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string JsonTagSet(const std::optional<id3::TagSet>& tag) {
    if (!tag) {
        return "null";
    }
    const std::vector<std::pair<const char*, const std::string*>> fields = {
        {"Artist", &tag->Artist},     {"Album", &tag->Album},
        {"Title", &tag->Title},       {"Year", &tag->Year},
        {"Genre", &tag->Genre},       {"Comment", &tag->Comment},
        {"Track", &tag->Track},       {"EncodedBy", &tag->EncodedBy},
        {"Url", &tag->Url},           {"Copyright", &tag->Copyright},
        {"Composer", &tag->Composer}, {"OriginalArtist", &tag->OriginalArtist}};
    std::string out = "{";
    for (size_t i = 0; i < fields.size(); ++i) {
        out += (i == 0 ? "" : ", ") + JsonString(fields[i].first) + ": " +
               JsonString(*fields[i].second);
    }
    return out + "}";
}

std::string JsonFrameList(const id3::CarriedFrames& frames) {
    std::string out = "[";
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::string description = id3::FrameDescription(frames[i]);
        out += (i == 0 ? "{" : ", {") + JsonString("id") + ": " + JsonString(frames[i].Id) + ", " +
               JsonString("size") + ": " + std::to_string(frames[i].Data.size()) +
               (description.empty()
                    ? ""
                    : ", " + JsonString("description") + ": " + JsonString(description)) +
               "}";
    }
    return out + "]";
}

std::string JsonDroppedList(const id3::DroppedFrames& frames) {
    std::string out = "[";
    for (size_t i = 0; i < frames.size(); ++i) {
        out += (i == 0 ? "{" : ", {") + JsonString("id") + ": " + JsonString(frames[i].Id) + ", " +
               JsonString("reason") + ": " + JsonString(frames[i].Reason) + "}";
    }
    return out + "]";
}

}  // namespace tags_tool
