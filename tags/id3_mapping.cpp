#include "id3_mapping.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "frame_build.h"
#include "numeric_text.h"
#include "text_codec.h"

namespace tags {
namespace {

// Items joined into one ID3v2.3 text, as taggers write several values there.
constexpr const char* kJoin = "/";

struct NamedFrame {
    const char* key;
    const char* frame;
};

// Keys with a text frame of their own, in the order the frames are written.
constexpr NamedFrame kTextFrames[] = {{"ALBUMARTIST", "TPE2"},
                                      {"TITLESORT", "TSOT"},
                                      {"ALBUMSORT", "TSOA"},
                                      {"ARTISTSORT", "TSOP"},
                                      {"ALBUMARTISTSORT", "TSO2"},
                                      {"COMPOSERSORT", "TSOC"},
                                      {"ISRC", "TSRC"},
                                      {"SUBTITLE", "TIT3"},
                                      {"GROUPING", "TIT1"},
                                      {"CONTENTGROUP", "TIT1"},
                                      {"CONDUCTOR", "TPE3"},
                                      {"REMIXER", "TPE4"},
                                      {"MIXARTIST", "TPE4"},
                                      {"LYRICIST", "TEXT"},
                                      {"LABEL", "TPUB"},
                                      {"PUBLISHER", "TPUB"},
                                      {"ORGANIZATION", "TPUB"},
                                      {"MEDIA", "TMED"},
                                      {"LANGUAGE", "TLAN"},
                                      {"INITIALKEY", "TKEY"},
                                      {"ORIGINALALBUM", "TOAL"},
                                      {"ORIGINALLYRICIST", "TOLY"},
                                      {"ORIGINALFILENAME", "TOFN"},
                                      {"RADIOSTATION", "TRSN"},
                                      {"OWNER", "TOWN"}};

// MusicBrainz and related identifiers, under the TXXX descriptions taggers use for them.
constexpr NamedFrame kUserTexts[] = {
    {"MUSICBRAINZ_ALBUMID", "MusicBrainz Album Id"},
    {"MUSICBRAINZ_ARTISTID", "MusicBrainz Artist Id"},
    {"MUSICBRAINZ_ALBUMARTISTID", "MusicBrainz Album Artist Id"},
    {"MUSICBRAINZ_RELEASEGROUPID", "MusicBrainz Release Group Id"},
    {"MUSICBRAINZ_RELEASETRACKID", "MusicBrainz Release Track Id"},
    {"MUSICBRAINZ_WORKID", "MusicBrainz Work Id"},
    {"MUSICBRAINZ_DISCID", "MusicBrainz Disc Id"},
    {"MUSICBRAINZ_TRMID", "MusicBrainz TRM Id"},
    {"MUSICBRAINZ_ORIGINALALBUMID", "MusicBrainz Original Album Id"},
    {"MUSICBRAINZ_ORIGINALARTISTID", "MusicBrainz Original Artist Id"},
    {"MUSICBRAINZ_ALBUMTYPE", "MusicBrainz Album Type"},
    {"RELEASETYPE", "MusicBrainz Album Type"},
    {"MUSICBRAINZ_ALBUMSTATUS", "MusicBrainz Album Status"},
    {"RELEASESTATUS", "MusicBrainz Album Status"},
    {"RELEASECOUNTRY", "MusicBrainz Album Release Country"},
    {"ACOUSTID_ID", "Acoustid Id"},
    {"ACOUSTID_FINGERPRINT", "Acoustid Fingerprint"},
    {"MUSICIP_PUID", "MusicIP PUID"}};

// Keys the record or the frames above take; they never become TXXX.
const std::set<std::string>& RecordKeys() {
    static const std::set<std::string> keys = {"TITLE",
                                               "ARTIST",
                                               "ALBUM",
                                               "DATE",
                                               "YEAR",
                                               "GENRE",
                                               "COMMENT",
                                               "DESCRIPTION",
                                               "TRACKNUMBER",
                                               "TRACKTOTAL",
                                               "TOTALTRACKS",
                                               "ENCODEDBY",
                                               "URL",
                                               "COPYRIGHT",
                                               "COMPOSER",
                                               "ORIGINALARTIST",
                                               "DISCNUMBER",
                                               "DISCTOTAL",
                                               "TOTALDISCS",
                                               "LYRICS",
                                               "UNSYNCEDLYRICS",
                                               "COMPILATION",
                                               "BPM",
                                               "ORIGINALDATE",
                                               "ORIGINALYEAR",
                                               "MUSICBRAINZ_TRACKID"};
    return keys;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// Why an item about the old audio stream does not travel; empty for other items. A converted
// file is a new encode: its level, peaks, length in samples and encoder are its own.
std::string AudioBoundReason(const std::string& key) {
    const std::string upper = Upper(key);
    if (upper.rfind("REPLAYGAIN_", 0) == 0 || upper.rfind("R128_", 0) == 0 || upper == "ITUNNORM" ||
        upper == "ITUNSMPB" || upper == "ITUNPGAP" || upper == "LENGTH" || upper == "DURATION" ||
        upper == "ENCODER" || upper == "ENCODING" || upper == "ENCODERSETTINGS" ||
        upper == "ENCODER SETTINGS" || upper == "ENCODER OPTIONS" ||
        upper == "WM/ENCODINGSETTINGS" || upper == "WM/TOOLNAME" || upper == "WM/TOOLVERSION") {
        return "describes the old audio";
    }
    return {};
}

// The values of one key, all items under it together.
class FieldIndex {
public:
    // Values longer than `maxBytes` are not taken; they are listed in `dropped`.
    FieldIndex(const std::vector<Field>& fields, size_t maxBytes, id3::DroppedFrames& dropped) {
        for (const auto& field : fields) {
            const std::string key = Upper(field.Key);
            auto [it, added] = values_.try_emplace(key);
            if (added) {
                order_.push_back({key, field.Key});
            }
            for (const auto& value : field.Values) {
                if (value.size() > maxBytes) {
                    dropped.push_back({field.Key, "a value of " + std::to_string(value.size()) +
                                                      " bytes, above the limit of " +
                                                      std::to_string(maxBytes)});
                } else if (!value.empty()) {
                    it->second.push_back(value);
                }
            }
        }
    }
    // The values joined with `join`; empty when the key has none.
    std::string Joined(const std::string& key, const char* join = kJoin) const {
        const auto found = values_.find(key);
        std::string out;
        if (found == values_.end()) {
            return out;
        }
        for (const auto& value : found->second) {
            out += (out.empty() ? "" : join) + value;
        }
        return out;
    }
    // Every key with its spelling in the source, in the source's order.
    const std::vector<std::pair<std::string, std::string>>& Keys() const { return order_; }

private:
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::pair<std::string, std::string>> order_;
};

// "n" and a total give "n/total"; a number that holds its total already stays as it is.
std::string NumberWithTotal(const std::string& number, const std::string& total) {
    if (number.empty() || total.empty() || number.find('/') != std::string::npos) {
        return number;
    }
    return number + "/" + total;
}

// The first of the two keys that has values.
std::string Either(const FieldIndex& index, const char* first, const char* second,
                   const char* join = kJoin) {
    std::string value = index.Joined(first, join);
    return value.empty() ? index.Joined(second, join) : value;
}

bool IsTrue(const std::string& value) {
    const std::string upper = Upper(std::string(id3::TrimBlanks(value)));
    if (upper == "TRUE" || upper == "YES") {
        return true;
    }
    const auto number = id3::ParseNumber(upper);
    return number && *number != 0;
}

// The four digits a date begins with; empty when it does not.
std::string YearOf(const std::string& date) {
    if (date.size() < 4 ||
        !std::all_of(date.begin(), date.begin() + 4, [](char c) { return c >= '0' && c <= '9'; })) {
        return {};
    }
    return date.substr(0, 4);
}

// The leading number of a track text such as "4/12"; empty when there is none.
std::string LeadingNumber(const std::string& text) {
    const std::string_view trimmed = id3::TrimBlanks(text);
    size_t n = 0;
    while (n < trimmed.size() && trimmed[n] >= '0' && trimmed[n] <= '9') {
        ++n;
    }
    return std::string(trimmed.substr(0, n));
}

// The record and the frames that stand in for its fields (date parts, disc, lyrics, ...).
void MapRecord(const FieldIndex& index, id3::TagSet& tag, id3::CarriedFrames& frames) {
    tag.Title = index.Joined("TITLE");
    tag.Artist = index.Joined("ARTIST");
    tag.Album = index.Joined("ALBUM");
    tag.Genre = index.Joined("GENRE");
    tag.Comment = Either(index, "COMMENT", "DESCRIPTION", "\n");
    tag.EncodedBy = index.Joined("ENCODEDBY");
    tag.Url = index.Joined("URL");
    tag.Copyright = index.Joined("COPYRIGHT");
    tag.Composer = index.Joined("COMPOSER");
    tag.OriginalArtist = index.Joined("ORIGINALARTIST");
    tag.Track =
        NumberWithTotal(index.Joined("TRACKNUMBER"), Either(index, "TRACKTOTAL", "TOTALTRACKS"));
    const std::string date = Either(index, "DATE", "YEAR");
    const std::string year = YearOf(date);
    tag.Year = year.empty() ? date : year;
    if (!year.empty()) {
        id3::CarriedFrames day = id3::DayAndTimeFrames(date);
        frames.insert(frames.end(), day.begin(), day.end());
    }
    const std::string disc =
        NumberWithTotal(index.Joined("DISCNUMBER"), Either(index, "DISCTOTAL", "TOTALDISCS"));
    if (!disc.empty()) {
        frames.push_back(id3::MakeTextFrame("TPOS", disc));
    }
    const std::string original = YearOf(Either(index, "ORIGINALDATE", "ORIGINALYEAR"));
    if (!original.empty()) {
        frames.push_back(id3::MakeTextFrame("TORY", original));
    }
    if (const std::string lyrics = Either(index, "LYRICS", "UNSYNCEDLYRICS", "\n");
        !lyrics.empty()) {
        frames.push_back(id3::MakeDescribedTextFrame("USLT", "", lyrics));
    }
    if (const std::string compilation = index.Joined("COMPILATION"); !compilation.empty()) {
        frames.push_back(id3::MakeTextFrame("TCMP", IsTrue(compilation) ? "1" : "0"));
    }
    if (const std::string bpm = index.Joined("BPM"); !bpm.empty()) {
        const auto number = id3::ParseNumber(bpm);
        frames.push_back(number && *number >= 0 && *number < 1e6
                             ? id3::MakeTextFrame("TBPM", std::to_string(std::lround(*number)))
                             : id3::MakeUserTextFrame("BPM", bpm));
    }
    if (const std::string id = index.Joined("MUSICBRAINZ_TRACKID"); !id.empty()) {
        frames.push_back(id3::MakeUniqueIdFrame("http://musicbrainz.org", id));
    }
}

const char* FrameOf(const std::string& key) {
    for (const auto& entry : kTextFrames) {
        if (key == entry.key) {
            return entry.frame;
        }
    }
    return nullptr;
}

const char* UserTextOf(const std::string& key) {
    for (const auto& entry : kUserTexts) {
        if (key == entry.key) {
            return entry.frame;
        }
    }
    return nullptr;
}

// Every key beyond the record's: its own text frame, a named TXXX, or a TXXX under its name.
void MapOtherKeys(const FieldIndex& index, id3::CarriedFrames& frames,
                  id3::DroppedFrames& dropped) {
    std::set<std::string> framesDone;
    for (const auto& [key, spelling] : index.Keys()) {
        const std::string value = index.Joined(key);
        if (value.empty() || RecordKeys().count(key) != 0) {
            continue;
        }
        if (std::string why = AudioBoundReason(key); !why.empty()) {
            dropped.push_back({spelling, std::move(why)});
        } else if (const char* frame = FrameOf(key)) {
            if (framesDone.insert(frame).second) {
                frames.push_back(id3::MakeTextFrame(frame, value));
            } else {
                frames.push_back(id3::MakeUserTextFrame(spelling, value));
            }
        } else if (const char* description = UserTextOf(key)) {
            frames.push_back(id3::MakeUserTextFrame(description, value));
        } else {
            frames.push_back(id3::MakeUserTextFrame(spelling, value));
        }
    }
}

// `description`, or with " (2)", " (3)" ... behind it where another picture has it already:
// a tag holds one picture per description.
std::string UniqueDescription(const std::string& description, std::set<std::string>& taken) {
    std::string candidate = description;
    for (int n = 2; !taken.insert(candidate).second; ++n) {
        candidate = description + (description.empty() ? "" : " ") + "(" + std::to_string(n) + ")";
    }
    return candidate;
}

void MapPictures(const std::vector<Picture>& pictures, const ReadOptions& options,
                 id3::CarriedFrames& frames, id3::DroppedFrames& dropped) {
    std::set<std::string> taken;
    size_t total = 0;
    for (const auto& picture : pictures) {
        const size_t size = picture.Data.size();
        if (size == 0) {
            dropped.push_back({"APIC", "a picture without data"});
            continue;
        }
        if (size > options.MaxPictureBytes) {
            dropped.push_back({"APIC", "a picture of " + std::to_string(size) +
                                           " bytes, above the limit of " +
                                           std::to_string(options.MaxPictureBytes)});
            continue;
        }
        if (total + size > options.MaxAllPictureBytes) {
            dropped.push_back({"APIC", "a picture beyond the limit of " +
                                           std::to_string(options.MaxAllPictureBytes) +
                                           " bytes for all pictures"});
            continue;
        }
        total += size;
        std::string mime = picture.Mime;
        if (mime.empty()) {
            mime = SniffImageMime(picture.Data);
        }
        if (mime.empty()) {
            mime = "application/octet-stream";
        }
        frames.push_back(id3::MakePictureFrame(
            picture.Type, mime, UniqueDescription(picture.Description, taken), picture.Data));
    }
}

}  // namespace

std::string SniffImageMime(const std::vector<uint8_t>& data) {
    const auto starts = [&data](std::initializer_list<uint8_t> magic, size_t at = 0) {
        return data.size() >= at + magic.size() &&
               std::equal(magic.begin(), magic.end(), data.begin() + static_cast<long>(at));
    };
    if (starts({0xFF, 0xD8, 0xFF})) {
        return "image/jpeg";
    }
    if (starts({0x89, 'P', 'N', 'G'})) {
        return "image/png";
    }
    if (starts({'G', 'I', 'F', '8'})) {
        return "image/gif";
    }
    if (starts({'B', 'M'})) {
        return "image/bmp";
    }
    if (starts({'R', 'I', 'F', 'F'}) && starts({'W', 'E', 'B', 'P'}, 8)) {
        return "image/webp";
    }
    return {};
}

id3::SourceTags MapToId3(const NeutralTags& source, const ReadOptions& options) {
    id3::SourceTags out;
    out.Dropped = source.Dropped;
    const FieldIndex index(source.Fields, options.MaxFieldBytes, out.Dropped);
    MapRecord(index, out.Id3v2, out.Frames);
    MapOtherKeys(index, out.Frames, out.Dropped);
    MapPictures(source.Pictures, options, out.Frames, out.Dropped);
    out.Id3v1 = out.Id3v2;
    out.Id3v1.Track = LeadingNumber(out.Id3v2.Track);
    return out;
}

}  // namespace tags
