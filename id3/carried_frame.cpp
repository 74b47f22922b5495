#include "carried_frame.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <string_view>

#include "frame_build.h"
#include "text_codec.h"

namespace id3 {
namespace {

// Version-2 ids and the version-2.3 ids they stand for; iTunes' own version-2 frames
// (compilation, sort orders, grouping, movement); version 2.4's ids that version 2.3 holds
// otherwise: its original release date and, sharing one involved people list, its credits.
constexpr std::pair<std::string_view, std::string_view> kIdMap[] = {
    {"UFI", "UFID"}, {"TT1", "TIT1"},  {"TT2", "TIT2"},  {"TT3", "TIT3"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"},  {"TP4", "TPE4"},  {"TCM", "TCOM"}, {"TXT", "TEXT"},
    {"TLA", "TLAN"}, {"TCO", "TCON"},  {"TAL", "TALB"},  {"TPA", "TPOS"}, {"TRK", "TRCK"},
    {"TRC", "TSRC"}, {"TYE", "TYER"},  {"TDA", "TDAT"},  {"TIM", "TIME"}, {"TRD", "TRDA"},
    {"TMT", "TMED"}, {"TFT", "TFLT"},  {"TBP", "TBPM"},  {"TCR", "TCOP"}, {"TPB", "TPUB"},
    {"TEN", "TENC"}, {"TSS", "TSSE"},  {"TOF", "TOFN"},  {"TLE", "TLEN"}, {"TSI", "TSIZ"},
    {"TDY", "TDLY"}, {"TKE", "TKEY"},  {"TOT", "TOAL"},  {"TOL", "TOLY"}, {"TOA", "TOPE"},
    {"TOR", "TORY"}, {"TXX", "TXXX"},  {"WAF", "WOAF"},  {"WAR", "WOAR"}, {"WAS", "WOAS"},
    {"WCM", "WCOM"}, {"WCP", "WCOP"},  {"WPB", "WPUB"},  {"WXX", "WXXX"}, {"IPL", "IPLS"},
    {"MCI", "MCDI"}, {"ETC", "ETCO"},  {"MLL", "MLLT"},  {"STC", "SYTC"}, {"ULT", "USLT"},
    {"SLT", "SYLT"}, {"COM", "COMM"},  {"RVA", "RVAD"},  {"EQU", "EQUA"}, {"REV", "RVRB"},
    {"PIC", "APIC"}, {"GEO", "GEOB"},  {"CNT", "PCNT"},  {"POP", "POPM"}, {"BUF", "RBUF"},
    {"CRA", "AENC"}, {"LNK", "LINK"},  {"TCP", "TCMP"},  {"TST", "TSOT"}, {"TSA", "TSOA"},
    {"TSP", "TSOP"}, {"TS2", "TSO2"},  {"TSC", "TSOC"},  {"GP1", "GRP1"}, {"MVN", "MVNM"},
    {"MVI", "MVIN"}, {"TDOR", "TORY"}, {"TIPL", "IPLS"}, {"TMCL", "IPLS"}};

std::string MimeType(std::string format) {
    for (char& c : format) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (format == "PNG") {
        return "image/png";
    }
    if (format == "JPG") {
        return "image/jpeg";
    }
    if (format == "-->") {
        return "-->";
    }
    for (char& c : format) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return "image/" + format;
}

void ConvertPicture(std::vector<uint8_t>& data) {
    const size_t formatEnd = std::min<size_t>(data.size(), 4);
    const std::string format =
        formatEnd > 1 ? std::string(data.begin() + 1, data.begin() + static_cast<long>(formatEnd))
                      : std::string();
    const std::string mime = MimeType(format);
    std::vector<uint8_t> out;
    out.reserve(data.size() + mime.size() + 2);
    out.push_back(data.empty() ? 0 : data[0]);
    out.insert(out.end(), mime.begin(), mime.end());
    out.push_back(0);
    out.insert(out.end(), data.begin() + static_cast<long>(formatEnd), data.end());
    data = std::move(out);
}

void ConvertLink(std::vector<uint8_t>& data) {
    const size_t idEnd = std::min<size_t>(data.size(), 3);
    std::string id =
        MapFrameIdToV23(std::string(data.begin(), data.begin() + static_cast<long>(idEnd)));
    id.resize(4, '\0');
    std::vector<uint8_t> out(id.begin(), id.end());
    out.insert(out.end(), data.begin() + static_cast<long>(idEnd), data.end());
    data = std::move(out);
}

// The terminated strings of a frame that holds only text behind its encoding byte.
std::vector<std::string> TextStrings(const std::vector<uint8_t>& data) {
    std::vector<std::string> strings;
    if (data.empty()) {
        return strings;
    }
    const std::span<const uint8_t> bytes(data);
    const int encoding = data[0];
    size_t at = 1;
    while (at < bytes.size()) {
        const size_t next = SkipTerminatedString(bytes, at, encoding);
        strings.push_back(DecodeTagText(bytes.subspan(at, next - at), encoding, true));
        at = next;
    }
    return strings;
}

}  // namespace

std::string MapFrameIdToV23(const std::string& id) {
    for (const auto& [from, to] : kIdMap) {
        if (id == from) {
            return std::string(to);
        }
    }
    return id;
}

void ConvertCarriedFrame(CarriedFrames& frames, size_t index) {
    if (index >= frames.size()) {
        return;
    }
    CarriedFrame& frame = frames[index];
    if (frame.Id == "PIC") {
        ConvertPicture(frame.Data);
    } else if (frame.Id == "LNK") {
        ConvertLink(frame.Data);
    } else if (frame.Id == "TDOR" && !frame.Data.empty()) {
        // The year: the first four characters, whatever encoding they are in.
        const int encoding = frame.Data[0];
        frame.Data = EncodedTextData(
            {FirstChars(DecodeTagText(std::span(frame.Data).subspan(1), encoding, true), 4)});
    }
    frame.Id = MapFrameIdToV23(frame.Id);
}

namespace {

bool HasFrame(const CarriedFrames& frames, size_t from, const char* id) {
    return std::any_of(frames.begin() + static_cast<long>(from), frames.end(),
                       [id](const CarriedFrame& frame) { return frame.Id == id; });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Offset of the zero byte (encoding 3) or aligned zero pair (encoding 2) that ends the string
// at `at`; npos when it has none.
size_t FindTerminator(std::span<const uint8_t> bytes, size_t at, int encoding) {
    const size_t step = encoding == 3 ? 1 : 2;
    for (size_t i = at; i + step <= bytes.size(); i += step) {
        if (bytes[i] == 0 && (step == 1 || bytes[i + 1] == 0)) {
            return i;
        }
    }
    return std::string::npos;
}

}  // namespace

void ConvertVersion4Frames(CarriedFrames& frames, size_t from) {
    if (from >= frames.size()) {
        return;
    }
    const bool hasDay = HasFrame(frames, from, "TDAT");
    const bool hasTime = HasFrame(frames, from, "TIME");
    // The IPLS frames of one group: where the first went, how many there were, their pairs.
    struct People {
        size_t index = 0;
        int count = 0;
        std::vector<std::string> pairs;
    };
    std::map<int, People> people;
    // One pass into a new list: a tag of many such frames costs no more than a tag of few.
    CarriedFrames out;
    out.reserve(frames.size() - from);
    for (size_t i = from; i < frames.size(); ++i) {
        CarriedFrame& frame = frames[i];
        if (frame.Id == "IPLS") {
            People& list = people[frame.Group];
            std::vector<std::string> pairs = TextStrings(frame.Data);
            list.pairs.insert(list.pairs.end(), pairs.begin(), pairs.end());
            if (list.count++ == 0) {
                list.index = out.size();
                out.push_back(std::move(frame));
            }
            continue;
        }
        std::vector<std::string> dates;
        if (frame.Id == "TDRC") {
            dates = TextStrings(frame.Data);
        }
        out.push_back(std::move(frame));
        if (dates.empty()) {
            continue;
        }
        for (auto& derived : DayAndTimeFrames(dates[0])) {
            if (!(derived.Id == "TDAT" ? hasDay : hasTime)) {
                out.push_back(std::move(derived));
            }
        }
    }
    for (const auto& [group, list] : people) {
        if (list.count > 1) {  // a single list keeps its bytes
            out[list.index].Data = EncodedTextData(list.pairs);
        }
    }
    frames.resize(from);
    frames.insert(frames.end(), std::make_move_iterator(out.begin()),
                  std::make_move_iterator(out.end()));
}

void DropUnregisteredGroups(CarriedFrames& frames, DroppedFrames* dropped) {
    std::set<int> registered;
    for (const auto& frame : frames) {
        if (frame.Id != "GRID") {
            continue;
        }
        // GRID: owner (single-byte text, terminated), the group symbol, data of the group.
        const size_t symbol = SkipTerminatedString(frame.Data, 0, 0);
        if (symbol < frame.Data.size()) {
            registered.insert(frame.Data[symbol]);
        }
    }
    std::erase_if(frames, [&](const CarriedFrame& frame) {
        if (frame.Group < 0 || registered.count(frame.Group) != 0) {
            return false;
        }
        if (dropped != nullptr) {
            dropped->push_back({frame.Id, "in a group that no GRID frame registers"});
        }
        return true;
    });
}

std::string FrameDescription(const CarriedFrame& frame) {
    const std::span<const uint8_t> data(frame.Data);
    if (data.empty()) {
        return {};
    }
    const int encoding = data[0];
    size_t from = 0;
    if (frame.Id == "TXXX") {
        from = 1;
    } else if (frame.Id == "COMM" || frame.Id == "USLT") {
        from = 4;  // encoding, language
    } else if (frame.Id == "APIC") {
        from = SkipTerminatedString(data, 1, 0) + 1;  // encoding, MIME type, picture type
    } else {
        return {};
    }
    if (from >= data.size()) {
        return {};
    }
    const size_t end = SkipTerminatedString(data, from, encoding);
    return DecodeTagText(data.subspan(from, end - from), encoding, true);
}

std::string FrameSlotKey(const CarriedFrame& frame) {
    const bool described =
        frame.Id == "APIC" || frame.Id == "COMM" || frame.Id == "TXXX" || frame.Id == "USLT";
    return described ? frame.Id + '\0' + FrameDescription(frame) : frame.Id;
}

void ToVersion3Encoding(CarriedFrame& frame) {
    std::vector<uint8_t>& data = frame.Data;
    if (data.empty() || (data[0] != 2 && data[0] != 3)) {
        return;
    }
    const int encoding = data[0];
    const std::span<const uint8_t> bytes(data);
    size_t from = 1;
    bool allText = true;  // everything behind the fixed part is text; else one string, then data
    if (frame.Id == "COMM" || frame.Id == "USLT") {
        from = 4;
    } else if (frame.Id == "APIC") {
        from = SkipTerminatedString(bytes, 1, 0) + 1;
        allText = false;
    } else if (frame.Id != "IPLS" && (frame.Id.empty() || frame.Id[0] != 'T')) {
        return;
    }
    if (from > data.size()) {
        return;
    }
    std::vector<uint8_t> out(data.begin(), data.begin() + static_cast<long>(from));
    out[0] = 1;
    size_t at = from;
    while (at < data.size()) {
        const size_t terminator = FindTerminator(bytes, at, encoding);
        const size_t textEnd = terminator == std::string::npos ? data.size() : terminator;
        AppendUtf16WithBom(out, DecodeTagText(bytes.subspan(at, textEnd - at), encoding, false));
        if (terminator == std::string::npos) {
            out.resize(out.size() - 2);  // the source's last string had no terminator either
            break;
        }
        at = terminator + (encoding == 3 ? 1 : 2);
        if (!allText) {
            out.insert(out.end(), data.begin() + static_cast<long>(at), data.end());
            break;
        }
    }
    data = std::move(out);
}

// A converted file has new audio: a new length, new frame positions, a new level and new
// encoder delay and padding. Frames about the old stream would mislead players (wrong duration,
// seeking, volume or gapless playback), so they are not carried into it.
bool DescribesOldAudio(const CarriedFrame& frame) {
    static const std::array<const char*, 12> kAudioBound = {"TLEN", "MLLT", "SEEK", "ASPI",
                                                            "SYTC", "ETCO", "RVAD", "RVA2",
                                                            "EQUA", "EQU2", "AENC", "TSIZ"};
    for (const char* id : kAudioBound) {
        if (frame.Id == id) {
            return true;
        }
    }
    if (frame.Id == "TXXX") {
        return StartsWithNoCase(FrameDescription(frame), "replaygain_");
    }
    if (frame.Id == "COMM") {
        return FrameDescription(frame).rfind("iTun", 0) == 0;
    }
    return false;
}

}  // namespace id3
