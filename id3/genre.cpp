#include "genre.h"

#include <cmath>
#include <limits>

#include "numeric_text.h"

namespace id3 {
namespace {

constexpr const char* kGenreText =
    "Blues#Classic Rock#Country#Dance#Disco#Funk#Grunge#Hip-Hop#Jazz#Metal#New Age#Oldies#Other#"
    "Pop#R&B#Rap#Reggae#Rock#Techno#Industrial#Alternative#Ska#Death Metal#Pranks#Soundtrack#"
    "Euro-Techno#Ambient#Trip-Hop#Vocal#Jazz+Funk#Fusion#Trance#Classical#Instrumental#Acid#"
    "House#Game#Sound Clip#Gospel#Noise#Alt. Rock#Bass#Soul#Punk#Space#Meditative#"
    "Instrumental Pop#Instrumental Rock#Ethnic#Gothic#Darkwave#Techno-Industrial#Electronic#"
    "Pop-Folk#Eurodance#Dream#Southern Rock#Comedy#Cult#Gangsta#Top 40#Christian Rap#Pop/Funk#"
    "Jungle#Native American#Cabaret#New Wave#Psychadelic#Rave#Showtunes#Trailer#Lo-Fi#Tribal#"
    "Acid Punk#Acid Jazz#Polka#Retro#Musical#Rock & Roll#Hard Rock#Folk#Folk-Rock#"
    "National Folk#Swing#Fast Fusion#Bebob#Latin#Revival#Celtic#Bluegrass#Avantgarde#"
    "Gothic Rock#Progressive Rock#Psychedelic Rock#Symphonic Rock#Slow Rock#Big Band#Chorus#"
    "Easy Listening#Acoustic#Humour#Speech#Chanson#Opera#Chamber Music#Sonata#Symphony#"
    "Booty Bass#Primus#Porn Groove#Satire#Slow Jam#Club#Tango#Samba#Folklore#Ballad#"
    "Power Ballad#Rhythmic Soul#Freestyle#Duet#Punk Rock#Drum Solo#A capella#Euro-House#"
    "Dance Hall#Goa#Drum & Bass#Club-House#Hardcore#Terror#Indie#BritPop#Negerpunk#"
    "Polsk Punk#Beat#Christian Gangsta#Heavy Metal#Black Metal#Crossover#Contemporary C#"
    "Christian Rock#Merengue#Salsa#Thrash Metal#Anime#JPop#SynthPop";

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::vector<std::string> SplitGenreText() {
    std::vector<std::string> names;
    std::string_view rest(kGenreText);
    while (true) {
        const auto hash = rest.find('#');
        names.emplace_back(rest.substr(0, hash));
        if (hash == std::string_view::npos) {
            return names;
        }
        rest.remove_prefix(hash + 1);
    }
}

}  // namespace

const std::vector<std::string>& GenreTable() {
    static const std::vector<std::string> table = SplitGenreText();
    return table;
}

std::string GenreName(long long index) {
    const auto& table = GenreTable();
    if (index < 0 || index >= static_cast<long long>(table.size())) {
        return {};
    }
    return table[static_cast<size_t>(index)];
}

int GenreIndex(std::string_view name) {
    const std::string wanted = AsciiLower(TrimBlanks(name));
    const auto& table = GenreTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (AsciiLower(table[i]) == wanted) {
            return static_cast<int>(i);
        }
    }
    return 255;
}

namespace {

// The genre a bare number such as "35" names: version 2.4 writes genres this way, and so do
// older version-2.3 writers. Only the range the genre lists ever used (0-191) counts as an index,
// and only where the table has a name for it.
std::optional<std::string> BareNumberGenre(std::string_view text) {
    const std::string_view digits = TrimBlanks(text);
    if (digits.empty() || digits.size() > 3) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    std::string name = value <= 191 ? GenreName(value) : std::string();
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

}  // namespace

std::optional<std::string> ParseGenreText(std::string_view text) {
    if (auto name = BareNumberGenre(text)) {
        return name;
    }
    const auto open = text.find('(');
    const auto close = text.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos) {
        return std::string(text);
    }
    if (close < open) {
        return std::nullopt;
    }
    const std::string_view inner = text.substr(open + 1, close - open - 1);
    if (const auto number = ParseNumber(inner)) {
        const double rounded = std::nearbyint(*number);
        if (!(rounded >= std::numeric_limits<int>::min() &&
              rounded <= std::numeric_limits<int>::max())) {
            return std::nullopt;
        }
        return GenreName(static_cast<long long>(rounded));
    }
    if (inner == "RX") {
        return std::string("Remix");
    }
    if (inner == "CR") {
        return std::string("Cover");
    }
    return std::string(text);
}

std::string GenreFrameText(std::string_view genre) {
    const int index = GenreIndex(genre);
    if (index == 255) {
        return std::string(genre);
    }
    return "(" + std::to_string(index) + ")" + GenreTable()[static_cast<size_t>(index)];
}

}  // namespace id3
