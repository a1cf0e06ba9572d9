#include "commit/association.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "commit/association_table.h"
#include "recognition/candidate_list.h"

namespace {

// As many as there are cells.
constexpr std::size_t kMostFollowers = kCandidateCount;

// The GBK code (lead << 8 | trail) of a text that is one two-byte character, else -1.
long characterCode(const Text& text) {
    if (text.size() != 2) {
        return -1;
    }
    const unsigned lead = static_cast<unsigned char>(text[0]);
    const unsigned trail = static_cast<unsigned char>(text[1]);
    if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE || trail == 0x7F) {
        return -1;
    }
    return static_cast<long>(lead << 8 | trail);
}

template <typename Key>
int keyIndex(const Key* keys, int count, Key key) {
    const Key* end = keys + count;
    const Key* at = std::lower_bound(keys, end, key);
    return at != end && *at == key ? static_cast<int>(at - keys) : -1;
}

std::size_t codeLength(unsigned char firstByte) {
    return firstByte < kAssociationOneByteRanks ? 1 : 2;
}

// Where key `index`'s list starts: its bucket gives the first list of its sixteen, the lists
// before it in the bucket are stepped over.
std::size_t listOffset(const unsigned char* lists, const std::uint32_t* buckets, int index) {
    std::size_t offset = buckets[index / kAssociationBucketKeys];
    for (int i = index - index % kAssociationBucketKeys; i < index; ++i) {
        const int count = lists[offset++];
        for (int f = 0; f < count; ++f) {
            offset += codeLength(lists[offset]);
        }
    }
    return offset;
}

std::vector<Text> followersAt(const unsigned char* lists, std::size_t offset) {
    const std::size_t count = std::min<std::size_t>(lists[offset++], kMostFollowers);
    std::vector<Text> followers;
    for (std::size_t f = 0; f < count; ++f) {
        int rank = lists[offset++];
        if (rank >= kAssociationOneByteRanks) {
            rank = kAssociationOneByteRanks +
                   ((rank - kAssociationOneByteRanks) << 8 | lists[offset++]);
        }
        if (rank >= kAssociationAlphabetSize) {
            continue;
        }
        Text follower(reinterpret_cast<const char*>(kAssociationAlphabet) + 2 * rank, 2);
        // Only what the panel can type: one GBK character, never a control byte.
        if (characterCode(follower) >= 0) {
            followers.push_back(follower);
        }
    }
    return followers;
}

}  // namespace

std::vector<Text> followingCharacters(const Text& before, const Text& last) {
    const long lastCode = characterCode(last);
    if (lastCode < 0) {
        return {};
    }
    const long beforeCode = characterCode(before);
    if (beforeCode >= 0) {
        const auto pair =
            static_cast<std::uint32_t>(beforeCode) << 16 | static_cast<std::uint32_t>(lastCode);
        const int index = keyIndex(kAssociationPairKeys, kAssociationPairCount, pair);
        if (index >= 0) {
            return followersAt(kAssociationPairLists,
                               listOffset(kAssociationPairLists, kAssociationPairBuckets, index));
        }
    }
    const int index = keyIndex(kAssociationSingleKeys, kAssociationSingleCount,
                               static_cast<std::uint16_t>(lastCode));
    if (index < 0) {
        return {};
    }
    return followersAt(kAssociationSingleLists,
                       listOffset(kAssociationSingleLists, kAssociationSingleBuckets, index));
}
