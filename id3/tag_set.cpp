#include "tag_set.h"

namespace id3 {

void ClearTagSet(TagSet& tag) {
    tag = TagSet{};
}

}  // namespace id3
