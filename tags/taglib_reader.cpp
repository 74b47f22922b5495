#include "taglib_reader.h"

#include <aifffile.h>
#include <apefile.h>
#include <apefooter.h>
#include <apetag.h>
#include <asffile.h>
#include <asfpicture.h>
#include <asftag.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <infotag.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <speexfile.h>
#include <tbytevectorstream.h>
#include <tfilestream.h>
#include <tpropertymap.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <wavpackfile.h>
#include <xiphcomment.h>

#include <new>

#include "text_codec.h"

namespace tags {
namespace {

std::string Utf8(const TagLib::String& text) {
    return text.to8Bit(true);
}

std::vector<uint8_t> Bytes(const TagLib::ByteVector& data) {
    return std::vector<uint8_t>(data.begin(), data.end());
}

void AddField(NeutralTags& out, const std::string& key, std::vector<std::string> values) {
    if (!key.empty() && !values.empty()) {
        out.Fields.push_back({key, std::move(values)});
    }
}

std::vector<std::string> Values(const TagLib::StringList& list) {
    std::vector<std::string> values;
    for (const auto& value : list) {
        values.push_back(Utf8(value));
    }
    return values;
}

// The fields of a property map; keys it could not express are left to the caller.
void AddProperties(NeutralTags& out, const TagLib::PropertyMap& properties) {
    for (const auto& [key, values] : properties) {
        AddField(out, Utf8(key), Values(values));
    }
}

void Unreadable(NeutralTags& out, const std::string& item, const std::string& why) {
    out.Dropped.push_back({item, why});
}

// INFO text: UTF-8 as most writers store it now, else Windows-1252; up to the first zero byte.
class InfoText : public TagLib::RIFF::Info::StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override {
        std::string bytes(data.data(), data.size());
        bytes = bytes.substr(0, bytes.find('\0'));
        std::string utf8;
        for (const char32_t cp : id3::DecodeUtf8(bytes)) {
            id3::AppendUtf8(utf8, cp);
        }
        return TagLib::String(utf8, TagLib::String::UTF8);
    }
};

// RIFF INFO ids and the common names of their fields.
constexpr std::pair<const char*, const char*> kInfoKeys[] = {
    {"INAM", "TITLE"},     {"IART", "ARTIST"},   {"IPRD", "ALBUM"},       {"ICRD", "DATE"},
    {"IGNR", "GENRE"},     {"ICMT", "COMMENT"},  {"ITRK", "TRACKNUMBER"}, {"IPRT", "TRACKNUMBER"},
    {"ICOP", "COPYRIGHT"}, {"IMUS", "COMPOSER"}, {"IENG", "ENGINEER"},    {"ITCH", "ENCODEDBY"},
    {"ISFT", "ENCODER"},   {"ILNG", "LANGUAGE"}, {"ISRC", "SOURCE"},      {"IWRI", "LYRICIST"},
    {"IPRO", "PRODUCER"},  {"ISBJ", "SUBJECT"},  {"IKEY", "KEYWORDS"}};

void ReadInfo(TagLib::IOStream& stream, NeutralTags& out) {
    static const InfoText handler;
    static const bool installed = (TagLib::RIFF::Info::Tag::setStringHandler(&handler), true);
    (void)installed;
    TagLib::RIFF::WAV::File file(&stream, false);
    if (!file.isValid()) {
        Unreadable(out, "LIST/INFO", "TagLib could not read the WAV file");
        return;
    }
    if (!file.hasInfoTag()) {
        return;
    }
    for (const auto& [id, value] : file.InfoTag()->fieldListMap()) {
        const std::string name(id.data(), id.size());
        std::string key = name;
        for (const auto& [infoId, common] : kInfoKeys) {
            if (name == infoId) {
                key = common;
            }
        }
        AddField(out, key, {Utf8(value)});
    }
}

Picture FromFlac(const TagLib::FLAC::Picture& picture) {
    return {static_cast<int>(picture.type()), Utf8(picture.mimeType()), Utf8(picture.description()),
            Bytes(picture.data())};
}

void AddXiph(TagLib::Ogg::XiphComment* comment, NeutralTags& out) {
    if (comment == nullptr) {
        return;
    }
    AddProperties(out, comment->properties());
    for (const auto* picture : comment->pictureList()) {
        out.Pictures.push_back(FromFlac(*picture));
    }
}

template <class OggFile>
void ReadOgg(TagLib::IOStream& stream, NeutralTags& out, const char* name) {
    OggFile file(&stream, false);
    if (!file.isValid()) {
        Unreadable(out, "Vorbis comment",
                   std::string("TagLib could not read the ") + name + " file");
        return;
    }
    AddXiph(file.tag(), out);
}

void ReadFlac(TagLib::IOStream& stream, NeutralTags& out) {
    TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) {
        Unreadable(out, "Vorbis comment", "TagLib could not read the FLAC file");
        return;
    }
    AddProperties(out, file.properties());  // the Vorbis comment, else an ID3 tag
    for (const auto* picture : file.pictureList()) {
        out.Pictures.push_back(FromFlac(*picture));
    }
    if (file.hasXiphComment()) {
        for (const auto* picture : file.xiphComment()->pictureList()) {
            out.Pictures.push_back(FromFlac(*picture));
        }
    }
}

std::string Mp4Mime(TagLib::MP4::CoverArt::Format format, const std::vector<uint8_t>& data) {
    switch (format) {
        case TagLib::MP4::CoverArt::JPEG:
            return "image/jpeg";
        case TagLib::MP4::CoverArt::PNG:
            return "image/png";
        case TagLib::MP4::CoverArt::GIF:
            return "image/gif";
        case TagLib::MP4::CoverArt::BMP:
            return "image/bmp";
        default:
            (void)data;
            return {};
    }
}

// The text of an MP4 item TagLib's property map does not know (freeform items and others).
std::vector<std::string> Mp4ItemText(const TagLib::MP4::Item& item) {
    std::vector<std::string> values = Values(item.toStringList());
    if (!values.empty()) {
        return values;
    }
    for (const auto& data : item.toByteVectorList()) {
        const std::string bytes(data.data(), data.size());
        if (id3::ToSharedSingleByte(bytes) || bytes.find('\0') == std::string::npos) {
            values.push_back(bytes);
        }
    }
    return values;
}

void ReadMp4(TagLib::IOStream& stream, NeutralTags& out) {
    TagLib::MP4::File file(&stream, false);
    if (!file.isValid() || file.tag() == nullptr) {
        Unreadable(out, "MP4 atoms", "TagLib could not read the MP4 file");
        return;
    }
    const TagLib::MP4::Tag* tag = file.tag();
    const TagLib::PropertyMap properties = tag->properties();
    for (const auto& [key, values] : properties) {
        // TagLib names the encoding tool's atom (©too) ENCODEDBY; it names the old encoder.
        AddField(out, key == "ENCODEDBY" ? "ENCODER" : Utf8(key), Values(values));
    }
    const auto& items = tag->itemMap();
    for (const auto& name : properties.unsupportedData()) {
        const auto found = items.find(name);
        if (found == items.end()) {
            continue;
        }
        const std::string key = Utf8(name);
        if (key == "covr") {
            for (const auto& cover : found->second.toCoverArtList()) {
                std::vector<uint8_t> data = Bytes(cover.data());
                std::string mime = Mp4Mime(cover.format(), data);
                out.Pictures.push_back({3, std::move(mime), "", std::move(data)});
            }
            continue;
        }
        // Freeform items: "----:mean:name", named by their name.
        const size_t colon = key.rfind(':');
        const std::string field =
            key.rfind("----:", 0) == 0 && colon != std::string::npos ? key.substr(colon + 1) : key;
        std::vector<std::string> values = Mp4ItemText(found->second);
        if (values.empty()) {
            Unreadable(out, key, "holds no text");
        } else {
            AddField(out, field, std::move(values));
        }
    }
}

// ASF attributes TagLib's property map leaves out, and their common names.
constexpr std::pair<const char*, const char*> kAsfKeys[] = {
    {"WM/ComposerSortOrder", "COMPOSERSORT"},
    {"WM/IsCompilation", "COMPILATION"},
    {"WM/EncodingSettings", "ENCODER"}};

std::vector<std::string> AsfText(const TagLib::ASF::AttributeList& attributes) {
    std::vector<std::string> values;
    for (const auto& attribute : attributes) {
        switch (attribute.type()) {
            case TagLib::ASF::Attribute::UnicodeType:
                values.push_back(Utf8(attribute.toString()));
                break;
            case TagLib::ASF::Attribute::BoolType:
                values.push_back(attribute.toBool() ? "1" : "0");
                break;
            case TagLib::ASF::Attribute::WordType:
                values.push_back(std::to_string(attribute.toUShort()));
                break;
            case TagLib::ASF::Attribute::DWordType:
                values.push_back(std::to_string(attribute.toUInt()));
                break;
            case TagLib::ASF::Attribute::QWordType:
                values.push_back(std::to_string(attribute.toULongLong()));
                break;
            default:
                break;  // bytes and GUIDs have no text form
        }
    }
    return values;
}

void ReadAsf(TagLib::IOStream& stream, NeutralTags& out) {
    TagLib::ASF::File file(&stream, false);
    if (!file.isValid() || file.tag() == nullptr) {
        Unreadable(out, "ASF attributes", "TagLib could not read the ASF file");
        return;
    }
    const TagLib::ASF::Tag* tag = file.tag();
    const TagLib::PropertyMap properties = tag->properties();
    AddProperties(out, properties);
    const auto& attributes = tag->attributeListMap();
    for (const auto& name : properties.unsupportedData()) {
        const auto found = attributes.find(name);
        if (found == attributes.end()) {
            continue;
        }
        const std::string key = Utf8(name);
        if (key == "WM/Picture") {
            for (const auto& attribute : found->second) {
                const TagLib::ASF::Picture picture = attribute.toPicture();
                if (!picture.isValid()) {
                    Unreadable(out, key, "a picture TagLib could not read");
                    continue;
                }
                out.Pictures.push_back({static_cast<int>(picture.type()), Utf8(picture.mimeType()),
                                        Utf8(picture.description()), Bytes(picture.picture())});
            }
            continue;
        }
        std::string field = key;
        for (const auto& [asfKey, common] : kAsfKeys) {
            if (key == asfKey) {
                field = common;
            }
        }
        std::vector<std::string> values = AsfText(found->second);
        if (values.empty()) {
            Unreadable(out, key, "holds no text");
        } else {
            AddField(out, field, std::move(values));
        }
    }
}

// The picture type an APEv2 picture item's name stands for ("Cover Art (Front)" and so on).
int ApePictureType(const std::string& upperKey) {
    static const char* const kNames[] = {"OTHER",
                                         "ICON",
                                         "OTHER ICON",
                                         "FRONT",
                                         "BACK",
                                         "LEAFLET",
                                         "MEDIA",
                                         "LEAD ARTIST",
                                         "ARTIST",
                                         "CONDUCTOR",
                                         "BAND",
                                         "COMPOSER",
                                         "LYRICIST",
                                         "RECORDING LOCATION",
                                         "DURING RECORDING",
                                         "DURING PERFORMANCE",
                                         "VIDEO CAPTURE",
                                         "FISH",
                                         "ILLUSTRATION",
                                         "BAND LOGO",
                                         "PUBLISHER LOGO"};
    for (int type = 0; type < static_cast<int>(std::size(kNames)); ++type) {
        if (upperKey == std::string("COVER ART (") + kNames[type] + ")") {
            return type;
        }
    }
    return 0;
}

void AddApe(const TagLib::APE::Tag* tag, const TagLib::PropertyMap& properties, NeutralTags& out) {
    if (tag == nullptr) {
        return;
    }
    const auto& items = tag->itemListMap();
    for (const auto& name : properties.unsupportedData()) {
        const auto found = items.find(name.upper());
        if (found == items.end()) {
            continue;
        }
        const std::string key = Utf8(name);
        const TagLib::ByteVector data = found->second.binaryData();
        if (found->second.type() != TagLib::APE::Item::Binary || key.rfind("COVER ART", 0) != 0) {
            Unreadable(out, key, "holds no text");
            continue;
        }
        // A picture item: the file name, a zero byte, the image.
        const int zero = data.find('\0');
        if (zero < 0) {
            Unreadable(out, key, "a picture without its file name");
            continue;
        }
        const std::string fileName(data.data(), static_cast<size_t>(zero));
        out.Pictures.push_back({ApePictureType(key), "", fileName,
                                Bytes(data.mid(static_cast<unsigned int>(zero) + 1))});
    }
}

// Items the tag's footer counts that TagLib could not take (a size past the tag's end, ...).
void CountLostApeItems(const TagLib::APE::Tag* tag, NeutralTags& out) {
    if (tag == nullptr || tag->footer() == nullptr) {
        return;
    }
    const unsigned counted = tag->footer()->itemCount();
    const unsigned read = tag->itemListMap().size();
    if (counted > read) {
        out.Dropped.push_back(
            {"APEv2", std::to_string(counted - read) + " of its items could not be read"});
    }
}

template <class ApeFile>
void ReadApe(TagLib::IOStream& stream, NeutralTags& out, const char* name) {
    ApeFile file(&stream, false);
    if (!file.isValid()) {
        Unreadable(out, "APEv2", std::string("TagLib could not read the ") + name + " file");
        return;
    }
    const TagLib::PropertyMap properties = file.properties();
    AddProperties(out, properties);
    AddApe(file.hasAPETag() ? file.APETag() : nullptr, properties, out);
    CountLostApeItems(file.hasAPETag() ? file.APETag() : nullptr, out);
}

void ReadStream(TagLib::IOStream& stream, Container container, NeutralTags& out) {
    switch (container) {
        case Container::Flac:
            return ReadFlac(stream, out);
        case Container::OggVorbis:
            return ReadOgg<TagLib::Ogg::Vorbis::File>(stream, out, "Ogg Vorbis");
        case Container::OggOpus:
            return ReadOgg<TagLib::Ogg::Opus::File>(stream, out, "Ogg Opus");
        case Container::OggFlac:
            return ReadOgg<TagLib::Ogg::FLAC::File>(stream, out, "Ogg FLAC");
        case Container::OggSpeex:
            return ReadOgg<TagLib::Ogg::Speex::File>(stream, out, "Ogg Speex");
        case Container::Mp4:
            return ReadMp4(stream, out);
        case Container::Asf:
            return ReadAsf(stream, out);
        case Container::Ape:
            return ReadApe<TagLib::APE::File>(stream, out, "Monkey's Audio");
        case Container::WavPack:
            return ReadApe<TagLib::WavPack::File>(stream, out, "WavPack");
        case Container::Wav:
            return ReadInfo(stream, out);
        default:
            return;
    }
}

// Runs a read; a failed allocation (a damaged size TagLib believed) ends it with a reason.
template <class Read>
NeutralTags Guarded(Read&& read) {
    NeutralTags out;
    try {
        read(out);
    } catch (const std::bad_alloc&) {
        out.Dropped.push_back({"(tags)", "could not be read: not enough memory"});
    } catch (...) {
        out.Dropped.push_back({"(tags)", "could not be read"});
    }
    return out;
}

}  // namespace

NeutralTags ReadTagLibFile(const std::string& path, Container container) {
    return Guarded([&](NeutralTags& out) {
        TagLib::FileStream stream(path.c_str(), true);
        if (!stream.isOpen()) {
            out.Dropped.push_back({"(tags)", "could not open '" + path + "'"});
            return;
        }
        ReadStream(stream, container, out);
    });
}

NeutralTags ReadTagLibBytes(std::span<const uint8_t> bytes, Container container) {
    return Guarded([&](NeutralTags& out) {
        TagLib::ByteVector data(reinterpret_cast<const char*>(bytes.data()),
                                static_cast<unsigned int>(bytes.size()));
        TagLib::ByteVectorStream stream(data);
        ReadStream(stream, container, out);
    });
}

}  // namespace tags
