#include "carried_frame.h"

#include <algorithm>
#include <map>

namespace id3 {
namespace {

const std::map<std::string, std::string>& IdMap() {
    static const std::map<std::string, std::string> map = {
        {"UFI", "UFID"}, {"TT1", "TIT1"},  {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TP1", "TPE1"},
        {"TP2", "TPE2"}, {"TP3", "TPE3"},  {"TP4", "TPE4"}, {"TCM", "TCOM"}, {"TXT", "TEXT"},
        {"TLA", "TLAN"}, {"TCO", "TCON"},  {"TAL", "TALB"}, {"TPA", "TPOS"}, {"TRK", "TRCK"},
        {"TRC", "TSRC"}, {"TYE", "TYER"},  {"TDA", "TDAT"}, {"TIM", "TIME"}, {"TRD", "TRDA"},
        {"TMT", "TMED"}, {"TFT", "TFLT"},  {"TBP", "TBPM"}, {"TCR", "TCOP"}, {"TPB", "TPUB"},
        {"TEN", "TENC"}, {"TSS", "TSSE"},  {"TOF", "TOFN"}, {"TLE", "TLEN"}, {"TSI", "TSIZ"},
        {"TDY", "TDLY"}, {"TKE", "TKEY"},  {"TOT", "TOAL"}, {"TOL", "TOLY"}, {"TOA", "TOPE"},
        {"TOR", "TORY"}, {"TDOR", "TORY"}, {"TXX", "TXXX"}, {"WAF", "WOAF"}, {"WAR", "WOAR"},
        {"WAS", "WOAS"}, {"WCM", "WCOM"},  {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
        {"IPL", "IPLS"}, {"TIPL", "IPLS"}, {"MCI", "MCDI"}, {"ETC", "ETCO"}, {"MLL", "MLLT"},
        {"STC", "SYTC"}, {"ULT", "USLT"},  {"SLT", "SYLT"}, {"COM", "COMM"}, {"RVA", "RVAD"},
        {"EQU", "EQUA"}, {"REV", "RVRB"},  {"PIC", "APIC"}, {"GEO", "GEOB"}, {"CNT", "PCNT"},
        {"POP", "POPM"}, {"BUF", "RBUF"},  {"CRA", "AENC"}, {"LNK", "LINK"}};
    return map;
}

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

}  // namespace

std::string MapFrameIdToV23(const std::string& id) {
    const auto found = IdMap().find(id);
    return found == IdMap().end() ? id : found->second;
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
    } else if (frame.Id == "TDOR" && frame.Data.size() > 5) {
        frame.Data.resize(5);
    }
    frame.Id = MapFrameIdToV23(frame.Id);
}

}  // namespace id3
