#include "stroke_network.h"

#include "model_file_bytes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace service {
namespace {

using model_file::allFinite;
using model_file::Reader;

constexpr std::uint32_t kVersion = 1;
constexpr int kPlanes = kPlaneSets * kDirectionCount;
constexpr int kPooledGrid = kFeatureGrid / 2;

// A 3 x 3 convolution with zero padding and a rectifier, `in` holding `inputs` planes of
// side x side; `out` gets `outputs` planes of the same side.
void convolve(const std::vector<float>& in, int inputs, int side, const std::vector<float>& weights,
              const std::vector<float>& biases, int outputs, std::vector<float>& out) {
    const int padded = side + 2;
    std::vector<float> source(static_cast<std::size_t>(inputs) * padded * padded, 0.0f);
    for (int c = 0; c < inputs; ++c)
        for (int y = 0; y < side; ++y)
            std::copy_n(&in[(static_cast<std::size_t>(c) * side + y) * side], side,
                        &source[(static_cast<std::size_t>(c) * padded + y + 1) * padded + 1]);
    out.assign(static_cast<std::size_t>(outputs) * side * side, 0.0f);
    for (int o = 0; o < outputs; ++o) {
        float* plane = &out[static_cast<std::size_t>(o) * side * side];
        for (int c = 0; c < inputs; ++c) {
            const float* w = &weights[(static_cast<std::size_t>(o) * inputs + c) * 9];
            const float* s = &source[static_cast<std::size_t>(c) * padded * padded];
            for (int ky = 0; ky < 3; ++ky)
                for (int kx = 0; kx < 3; ++kx) {
                    const float k = w[ky * 3 + kx];
                    for (int y = 0; y < side; ++y) {
                        const float* row = s + (y + ky) * padded + kx;
                        float* target = plane + y * side;
                        for (int x = 0; x < side; ++x) target[x] += k * row[x];
                    }
                }
        }
        for (int i = 0; i < side * side; ++i) plane[i] = std::max(plane[i] + biases[o], 0.0f);
    }
}

}  // namespace

bool readStrokeNetwork(const std::string& path, StrokeNetwork& network, std::string& error) {
    auto bad = [&](const std::string& why) {
        error = "cannot load the recognition network " + path + ": " + why;
        return false;
    };
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return bad("cannot open it");
    std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (data.size() < sizeof kStrokeNetworkMagic ||
        std::memcmp(data.data(), kStrokeNetworkMagic, sizeof kStrokeNetworkMagic) != 0)
        return bad("no network header");
    data.erase(0, sizeof kStrokeNetworkMagic);
    Reader in(data);
    std::uint32_t version = 0, features = 0, classes = 0, hidden = 0;
    std::array<std::uint32_t, 3> channels{};
    if (!in.get(version))
        return bad("cut short in its header");
    if (version != kVersion)
        return bad("version " + std::to_string(version) + ", expected " + std::to_string(kVersion));
    if (!in.get(features) || !in.get(classes) || !in.get(channels[0]) || !in.get(channels[1]) ||
        !in.get(channels[2]) || !in.get(hidden))
        return bad("cut short in its header");
    if (features != kDirectionFeatureSize)
        return bad("made for " + std::to_string(features) + " features, not " +
                   std::to_string(kDirectionFeatureSize));
    auto plausible = [](std::uint32_t n) { return n > 0 && n <= 4096; };
    if (classes == 0 || classes > 100000 || !plausible(channels[0]) || !plausible(channels[1]) ||
        !plausible(channels[2]) || !plausible(hidden))
        return bad("implausible sizes");
    network.characters.resize(classes);
    for (std::string& c : network.characters)
        if (!in.getText(c))
            return bad("cut short in its character list");
    network.hidden = static_cast<int>(hidden);
    for (int i = 0; i < 3; ++i) network.channels[i] = static_cast<int>(channels[i]);
    const std::size_t flat = std::size_t{channels[2]} * kPooledGrid * kPooledGrid;
    std::uint32_t inputs = kPlanes;
    bool whole = in.getFloats(network.inputMean, kDirectionFeatureSize) &&
                 in.getFloats(network.inputScale, kDirectionFeatureSize);
    for (int i = 0; i < 3 && whole; ++i) {
        whole = in.getFloats(network.convWeights[i], std::size_t{channels[i]} * inputs * 9) &&
                in.getFloats(network.convBiases[i], channels[i]);
        inputs = channels[i];
    }
    whole = whole && in.getFloats(network.hiddenWeights, flat * hidden) &&
            in.getFloats(network.hiddenBiases, hidden) &&
            in.getFloats(network.outputWeights, std::size_t{classes} * hidden) &&
            in.getFloats(network.outputBiases, classes);
    std::vector<float> probe, expected;
    whole = whole && in.getFloats(probe, kDirectionFeatureSize) && in.getFloats(expected, classes);
    if (!whole)
        return bad("cut short");
    if (!in.atEnd())
        return bad("longer than its header says");
    bool finite = allFinite(network.inputMean) && allFinite(network.inputScale) &&
                  allFinite(network.hiddenWeights) && allFinite(network.hiddenBiases) &&
                  allFinite(network.outputWeights) && allFinite(network.outputBiases);
    for (int i = 0; i < 3; ++i)
        finite = finite && allFinite(network.convWeights[i]) && allFinite(network.convBiases[i]);
    if (!finite || !allFinite(probe) || !allFinite(expected))
        return bad("holds a value that is not a number");
    // The sample the trainer kept with the network: the same outputs here, or the file's layout
    // is not the one this reader assumes.
    DirectionFeatures sample;
    std::copy(probe.begin(), probe.end(), sample.begin());
    StrokeNetworkRunner runner(network);
    const std::vector<float> layer = runner.hiddenLayer(sample);
    for (std::size_t c = 0; c < classes; ++c) {
        float got = runner.output(layer, c);
        if (std::fabs(got - expected[c]) > 1e-3f * (1 + std::fabs(expected[c])))
            return bad("its check sample comes out differently (" + std::to_string(got) + " for " +
                       network.characters[c] + ", expected " + std::to_string(expected[c]) + ")");
    }
    return true;
}

std::vector<float> StrokeNetworkRunner::hiddenLayer(const DirectionFeatures& features) const {
    const StrokeNetwork& n = network_;
    std::vector<float> input(kDirectionFeatureSize), first, second, third;
    for (std::size_t i = 0; i < kDirectionFeatureSize; ++i)
        input[i] = (features[i] - n.inputMean[i]) * n.inputScale[i];
    convolve(input, kPlanes, kFeatureGrid, n.convWeights[0], n.convBiases[0], n.channels[0], first);
    convolve(first, n.channels[0], kFeatureGrid, n.convWeights[1], n.convBiases[1], n.channels[1],
             second);
    // 2 x 2 max pool.
    std::vector<float> pooled(static_cast<std::size_t>(n.channels[1]) * kPooledGrid * kPooledGrid);
    for (int c = 0; c < n.channels[1]; ++c)
        for (int y = 0; y < kPooledGrid; ++y)
            for (int x = 0; x < kPooledGrid; ++x) {
                const float* p =
                    &second[(static_cast<std::size_t>(c) * kFeatureGrid + 2 * y) * kFeatureGrid +
                            2 * x];
                pooled[(static_cast<std::size_t>(c) * kPooledGrid + y) * kPooledGrid + x] =
                    std::max(std::max(p[0], p[1]), std::max(p[kFeatureGrid], p[kFeatureGrid + 1]));
            }
    convolve(pooled, n.channels[1], kPooledGrid, n.convWeights[2], n.convBiases[2], n.channels[2],
             third);
    std::vector<float> hidden(static_cast<std::size_t>(n.hidden));
    for (std::size_t h = 0; h < hidden.size(); ++h) {
        const float* w = &n.hiddenWeights[h * third.size()];
        float sum = n.hiddenBiases[h];
        for (std::size_t i = 0; i < third.size(); ++i) sum += w[i] * third[i];
        hidden[h] = std::max(sum, 0.0f);
    }
    return hidden;
}

float StrokeNetworkRunner::output(const std::vector<float>& hidden, std::size_t character) const {
    const float* w = &network_.outputWeights[character * hidden.size()];
    float sum = network_.outputBiases[character];
    for (std::size_t i = 0; i < hidden.size(); ++i) sum += w[i] * hidden[i];
    return sum;
}

NetworkRecognizer::NetworkRecognizer(std::shared_ptr<const Recognizer> shape, StrokeNetwork network,
                                     double weight, std::size_t shortList)
    : shape_(std::move(shape)),
      runner_(std::move(network)),
      weight_(weight),
      shortList_(shortList) {
    const std::vector<std::string>& characters = runner_.network().characters;
    for (std::size_t c = 0; c < characters.size(); ++c)
        index_[characters[c]] = static_cast<std::uint32_t>(c);
}

std::vector<ScoredCandidate> NetworkRecognizer::rank(const std::vector<PadStroke>& strokes,
                                                     std::size_t count, PadSize pad) const {
    DirectionFeatures features;
    if (count == 0 || !extractDirectionFeatures(strokes, features))
        return {};
    const std::vector<float> hidden = runner_.hiddenLayer(features);
    std::vector<ScoredCandidate> scored;
    if (shape_) {
        scored = shape_->rank(strokes, std::max(count, shortList_), pad);
        for (ScoredCandidate& c : scored) {
            auto found = index_.find(c.value);
            if (found != index_.end())
                c.score += weight_ * runner_.output(hidden, found->second);
        }
    } else {
        const std::vector<std::string>& characters = runner_.network().characters;
        for (std::size_t c = 0; c < characters.size(); ++c)
            scored.push_back({characters[c], runner_.output(hidden, c)});
    }
    std::size_t keep = std::min(count, scored.size());
    std::partial_sort(
        scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(keep), scored.end(),
        [](const ScoredCandidate& a, const ScoredCandidate& b) { return a.score > b.score; });
    scored.resize(keep);
    return scored;
}

}  // namespace service
