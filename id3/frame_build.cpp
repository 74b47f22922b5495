#include "frame_build.h"

#include <algorithm>

#include "text_codec.h"

namespace id3 {
namespace {

// True when every string has a single-byte form shared by ISO-8859-1 and Windows-1252.
bool AllSingleByte(const std::vector<std::string>& strings) {
    return std::all_of(strings.begin(), strings.end(), [](const std::string& text) {
        return ToSharedSingleByte(text).has_value();
    });
}

// Appends `text` in `encoding` (0 or 1) with its terminator.
void AppendTerminated(std::vector<uint8_t>& data, const std::string& text, int encoding) {
    if (encoding == 0) {
        const std::string bytes = *ToSharedSingleByte(text);
        data.insert(data.end(), bytes.begin(), bytes.end());
        data.push_back(0);
    } else {
        AppendUtf16WithBom(data, text);
    }
}

// The value of the `count` decimal digits at `at` of `text`; -1 when they are not all there.
int Digits(const std::string& text, size_t at, size_t count) {
    if (at + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::vector<uint8_t> EncodedTextData(const std::vector<std::string>& strings) {
    const int encoding = AllSingleByte(strings) ? 0 : 1;
    std::vector<uint8_t> data = {static_cast<uint8_t>(encoding)};
    for (const auto& text : strings) {
        AppendTerminated(data, text, encoding);
    }
    if (!strings.empty()) {
        data.resize(data.size() - (encoding == 0 ? 1 : 2));  // the last string needs none
    }
    return data;
}

CarriedFrame MakeTextFrame(const std::string& id, const std::string& text) {
    return {id, EncodedTextData({text})};
}

CarriedFrame MakeUserTextFrame(const std::string& description, const std::string& text) {
    return {"TXXX", EncodedTextData({description, text})};
}

CarriedFrame MakeDescribedTextFrame(const std::string& id, const std::string& description,
                                    const std::string& text) {
    const int encoding = AllSingleByte({description, text}) ? 0 : 1;
    std::vector<uint8_t> data = {static_cast<uint8_t>(encoding), 'e', 'n', 'g'};
    AppendTerminated(data, description, encoding);
    AppendTerminated(data, text, encoding);
    data.resize(data.size() - (encoding == 0 ? 1 : 2));  // no terminator behind the text
    return {id, std::move(data)};
}

CarriedFrame MakePictureFrame(int type, const std::string& mime, const std::string& description,
                              std::span<const uint8_t> image) {
    const int encoding = AllSingleByte({description}) ? 0 : 1;
    std::vector<uint8_t> data;
    data.reserve(image.size() + mime.size() + description.size() * 2 + 8);
    data.push_back(static_cast<uint8_t>(encoding));
    for (const char c : mime) {
        // A MIME type is ASCII; anything else would break the frame's layout for readers.
        data.push_back(static_cast<unsigned char>(c) < 0x80 && c != 0 ? static_cast<uint8_t>(c)
                                                                      : uint8_t{'?'});
    }
    data.push_back(0);
    data.push_back(static_cast<uint8_t>(std::clamp(type, 0, 255)));
    AppendTerminated(data, description, encoding);
    data.insert(data.end(), image.begin(), image.end());
    return {"APIC", std::move(data)};
}

CarriedFrame MakeUniqueIdFrame(const std::string& owner, const std::string& identifier) {
    std::vector<uint8_t> data(owner.begin(), owner.end());
    data.push_back(0);
    data.insert(data.end(), identifier.begin(),
                identifier.begin() + static_cast<long>(std::min<size_t>(identifier.size(), 64)));
    return {"UFID", std::move(data)};
}

CarriedFrames DayAndTimeFrames(const std::string& date) {
    CarriedFrames out;
    const int month = Digits(date, 5, 2);
    const int day = Digits(date, 8, 2);
    if (Digits(date, 0, 4) < 0 || date.size() < 10 || date[4] != '-' || date[7] != '-' ||
        month < 1 || month > 12 || day < 1 || day > 31) {
        return out;
    }
    out.push_back(MakeTextFrame("TDAT", TwoDigits(day) + TwoDigits(month)));
    const int hour = Digits(date, 11, 2);
    const int minute = Digits(date, 14, 2);
    if (date.size() >= 16 && (date[10] == 'T' || date[10] == ' ') && date[13] == ':' && hour >= 0 &&
        hour <= 23 && minute >= 0 && minute <= 59) {
        out.push_back(MakeTextFrame("TIME", TwoDigits(hour) + TwoDigits(minute)));
    }
    return out;
}

}  // namespace id3
