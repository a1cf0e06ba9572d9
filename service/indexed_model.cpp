#include "indexed_model.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace service {
namespace {

// The arithmetic below keeps zinnia's types (float here, double there) so that every feature
// value, and so every score, comes out the same.
struct Node {
    float x;
    float y;
};

// zinnia describes at most this many pieces of a stroke; the pieces are numbered like a binary
// tree (piece i splits into 2i+1 and 2i+2), so the numbering stops mattering beyond it.
constexpr int kMaxPiece = 50;
// A piece is split at its point farthest from its chord while that distance (squared, in box
// units) exceeds this.
constexpr float kStraightEnough = 0.001f;

float distance(const Node& a, const Node& b) {
    float x = a.x - b.x;
    float y = a.y - b.y;
    return std::sqrt(x * x + y * y);
}

float distanceFromCentre(const Node& n) {
    float x = n.x - 0.5;
    float y = n.y - 0.5;
    return std::sqrt(x * x + y * y);
}

// Squared distance of the farthest point in [first, last) from the chord first-last, relative
// to the chord's length; `farthest` is that point.
float farthestFromChord(const Node* first, const Node* last, const Node*& farthest) {
    if (first == last)
        return 0;
    float a = last->x - first->x;
    float b = last->y - first->y;
    float c = last->y * first->x - last->x * first->y;
    float most = -1;
    for (const Node* n = first; n != last; ++n) {
        float d = std::fabs((a * n->y) - (b * n->x) + c);
        if (d > most) {
            most = d;
            farthest = n;
        }
    }
    return most * most / (a * a + b * b);
}

struct Piece {
    const Node* first = nullptr;
    const Node* last = nullptr;
};

void splitStroke(const Node* first, const Node* last, int id, std::vector<Piece>& pieces) {
    if (id > kMaxPiece)
        return;  // neither it nor its parts are described
    pieces[static_cast<std::size_t>(id)] = {first, last};
    const Node* farthest = nullptr;
    if (farthestFromChord(first, last, farthest) > kStraightEnough) {
        splitStroke(first, farthest, id * 2 + 1, pieces);
        splitStroke(farthest, last, id * 2 + 2, pieces);
    }
}

void describeSegment(int offset, const Node& first, const Node& last, std::vector<Feature>& out) {
    auto add = [&](int k, float value) { out.push_back({offset + k, value}); };
    add(1, 10 * distance(first, last));
    add(2, std::atan2(last.y - first.y, last.x - first.x));
    add(3, 10 * (first.x - 0.5));
    add(4, 10 * (first.y - 0.5));
    add(5, 10 * (last.x - 0.5));
    add(6, 10 * (last.y - 0.5));
    add(7, std::atan2(first.y - 0.5, first.x - 0.5));
    add(8, std::atan2(last.y - 0.5, last.x - 0.5));
    add(9, 10 * distanceFromCentre(first));
    add(10, 10 * distanceFromCentre(last));
    add(11, 5 * (last.x - first.x));
    add(12, 5 * (last.y - first.y));
}

template <typename T>
bool readAt(const std::vector<char>& data, std::size_t& at, T& value) {
    if (data.size() - at < sizeof(T))
        return false;
    std::memcpy(&value, data.data() + at, sizeof(T));
    at += sizeof(T);
    return true;
}

// zinnia's binary model: magic (the file size xor this), version, character count, then per
// character 16 bytes of UTF-8 (zero padded), a float bias and (int index, float weight) pairs
// up to an index of -1. Little-endian, as zinnia writes it on this machine.
constexpr std::uint32_t kModelMagic = 0xef71821;
constexpr std::uint32_t kModelVersion = 1;
constexpr std::size_t kCharacterBytes = 16;

}  // namespace

std::vector<Feature> characterFeatures(const std::vector<std::vector<BoxPoint>>& strokes, int width,
                                       int height) {
    std::vector<Feature> features;
    if (width <= 0 || height <= 0 || strokes.empty())
        return features;
    std::vector<std::vector<Node>> nodes(strokes.size());
    for (std::size_t s = 0; s < strokes.size(); ++s) {
        if (strokes[s].empty())
            return features;
        for (BoxPoint p : strokes[s])
            nodes[s].push_back(
                {static_cast<float>(1.0 * p.x / width), static_cast<float>(1.0 * p.y / height)});
    }
    features.push_back({0, 1.0f});  // the bias
    const Node* previousEnd = nullptr;
    for (std::size_t s = 0; s < nodes.size(); ++s) {
        const int sid = static_cast<int>(s);
        std::vector<Piece> pieces(kMaxPiece + 1);
        splitStroke(&nodes[s].front(), &nodes[s].back(), 0, pieces);
        for (int i = 0; i <= kMaxPiece; ++i) {
            if (pieces[static_cast<std::size_t>(i)].first)
                describeSegment(sid * 1000 + 20 * i, *pieces[static_cast<std::size_t>(i)].first,
                                *pieces[static_cast<std::size_t>(i)].last, features);
        }
        if (previousEnd)  // the pen's move from the last stroke's end
            describeSegment(100000 + sid * 1000, *previousEnd, nodes[s].front(), features);
        previousEnd = &nodes[s].back();
    }
    const int strokeCount = static_cast<int>(nodes.size());
    features.push_back({2000000, static_cast<float>(strokeCount)});
    features.push_back({2000000 + strokeCount, 10.0f});
    // zinnia's sort, so that equal indices stay in its order, and its dot product, which uses
    // only the first of them.
    std::sort(features.begin(), features.end(),
              [](const Feature& a, const Feature& b) { return a.index < b.index; });
    features.erase(
        std::unique(features.begin(), features.end(),
                    [](const Feature& a, const Feature& b) { return a.index == b.index; }),
        features.end());
    return features;
}

std::unique_ptr<IndexedModel> IndexedModel::load(const std::string& path, std::string& error) {
    std::vector<char> data;
    struct stat info {};
    std::ifstream in(path, std::ios::binary);
    if (in && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        data.resize(static_cast<std::size_t>(info.st_size));
        in.read(data.data(), static_cast<std::streamsize>(data.size()));
    }
    if (!in || data.empty()) {
        error = "cannot load the recognition model " + path + ": missing, unreadable or empty";
        return nullptr;
    }
    auto broken = [&](const std::string& why) {
        error = "cannot load the recognition model " + path + ": " + why;
        return nullptr;
    };
    std::size_t at = 0;
    std::uint32_t magic = 0, version = 0, count = 0;
    if (!readAt(data, at, magic) || !readAt(data, at, version) || !readAt(data, at, count) ||
        (magic ^ kModelMagic) != data.size())
        return broken("not a zinnia model");
    if (version != kModelVersion)
        return broken("zinnia model version " + std::to_string(version));
    if (count == 0)
        return broken("it holds no characters");

    auto model = std::unique_ptr<IndexedModel>(new IndexedModel);
    // Where each character's weights lie in the file, then every weight read by feature.
    std::vector<std::size_t> weightsAt(count), weightCounts(count);
    std::vector<int> indices;
    for (std::uint32_t c = 0; c < count; ++c) {
        if (data.size() - at < kCharacterBytes)
            return broken("truncated");
        const char* name = data.data() + at;
        model->characters_.emplace_back(name, strnlen(name, kCharacterBytes));
        at += kCharacterBytes;
        float bias = 0;
        if (!readAt(data, at, bias))
            return broken("truncated");
        model->bias_.push_back(bias);
        weightsAt[c] = at;
        for (;;) {
            int index = 0;
            float weight = 0;
            if (!readAt(data, at, index) || !readAt(data, at, weight))
                return broken("truncated");
            if (index == -1)
                break;
            indices.push_back(index);
            ++weightCounts[c];
        }
    }
    if (at != data.size())
        return broken("trailing bytes");

    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    model->featureIndices_ = indices;
    // zinnia's feature indices are small and dense enough for a table from index to slot; a
    // search covers any others.
    constexpr int kTabled = 4 << 20;
    int top = indices.empty() ? -1 : std::min(indices.back(), kTabled - 1);
    std::vector<std::uint32_t> table(top >= 0 ? static_cast<std::size_t>(top) + 1 : 0);
    for (std::size_t s = 0; s < indices.size(); ++s) {
        if (indices[s] >= 0 && indices[s] < kTabled)
            table[static_cast<std::size_t>(indices[s])] = static_cast<std::uint32_t>(s);
    }
    auto slotOf = [&](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < table.size())
            return static_cast<std::size_t>(table[static_cast<std::size_t>(index)]);
        return static_cast<std::size_t>(std::lower_bound(indices.begin(), indices.end(), index) -
                                        indices.begin());
    };
    std::vector<std::uint32_t> perSlot(indices.size() + 1);
    for (std::uint32_t c = 0; c < count; ++c) {
        std::size_t p = weightsAt[c];
        for (std::size_t k = 0; k < weightCounts[c]; ++k, p += 8) {
            int index = 0;
            std::memcpy(&index, data.data() + p, sizeof index);
            ++perSlot[slotOf(index) + 1];
        }
    }
    // A feature most characters weigh gets a full row (zeros where a character has none, which
    // add nothing), read straight through instead of scattered; the rest keep their postings.
    model->denseRows_.assign(indices.size(), kSparse);
    std::size_t denseCount = 0;
    for (std::size_t s = 0; s < indices.size(); ++s) {
        if (perSlot[s + 1] * 2 >= count) {
            model->denseRows_[s] = static_cast<std::uint32_t>(denseCount++);
            perSlot[s + 1] = 0;
        }
    }
    model->denseWeights_.assign(denseCount * count, 0.0f);
    for (std::size_t s = 1; s < perSlot.size(); ++s) perSlot[s] += perSlot[s - 1];
    model->starts_ = perSlot;
    model->postings_.resize(perSlot.back());
    for (std::uint32_t c = 0; c < count; ++c) {
        std::size_t p = weightsAt[c];
        for (std::size_t k = 0; k < weightCounts[c]; ++k, p += 8) {
            int index = 0;
            float weight = 0;
            std::memcpy(&index, data.data() + p, sizeof index);
            std::memcpy(&weight, data.data() + p + 4, sizeof weight);
            std::size_t slot = slotOf(index);
            if (model->denseRows_[slot] != kSparse)
                model->denseWeights_[model->denseRows_[slot] * std::size_t{count} + c] = weight;
            else
                model->postings_[perSlot[slot]++] = {c, weight};
        }
    }
    return model;
}

std::vector<ScoredCandidate> IndexedModel::rank(const std::vector<Feature>& features,
                                                std::size_t count) const {
    std::vector<ScoredCandidate> ranked;
    if (features.empty() || count == 0)
        return ranked;
    // Per character, the products are added in increasing feature index, in a double, as
    // zinnia's dot product adds them.
    std::vector<double> sums(characters_.size(), 0.0);
    auto slot = featureIndices_.begin();
    for (const Feature& f : features) {
        slot = std::lower_bound(slot, featureIndices_.end(), f.index);
        if (slot == featureIndices_.end())
            break;
        if (*slot != f.index)
            continue;
        std::size_t s = static_cast<std::size_t>(slot - featureIndices_.begin());
        if (denseRows_[s] != kSparse) {
            const float* row = denseWeights_.data() + denseRows_[s] * characters_.size();
            for (std::size_t c = 0; c < characters_.size(); ++c) sums[c] += row[c] * f.value;
        } else {
            for (std::uint32_t p = starts_[s]; p < starts_[s + 1]; ++p)
                sums[postings_[p].character] += postings_[p].weight * f.value;
        }
    }
    std::vector<std::pair<float, std::uint32_t>> scores(characters_.size());
    for (std::uint32_t c = 0; c < characters_.size(); ++c)
        scores[c] = {static_cast<float>(bias_[c] + sums[c]), c};
    count = std::min(count, scores.size());
    std::partial_sort(scores.begin(), scores.begin() + static_cast<std::ptrdiff_t>(count),
                      scores.end(), std::greater<>());
    for (std::size_t i = 0; i < count; ++i)
        ranked.push_back({characters_[scores[i].second], scores[i].first});
    return ranked;
}

}  // namespace service
