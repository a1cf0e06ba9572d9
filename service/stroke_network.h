// A small convolutional network over the writing's direction features (direction_features.h:
// 16 planes of 8 x 8), trained on the same synthetic writing as the shape model
// (training/train_stroke_network.py). It reads the planes as pictures, so it can learn how
// neighbouring pieces of strokes go together, which the shape model's linear projection cannot.
// Plain C++ at run time: three 3 x 3 convolutions (a 2 x 2 max pool after the second), one
// hidden layer, one output per character, in the shape model's character order.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "direction_features.h"
#include "recognizer.h"

namespace service {

struct StrokeNetwork {
    std::vector<std::string> characters;  // UTF-8, one per output
    std::array<int, 3> channels{};
    int hidden = 0;
    std::vector<float> inputMean, inputScale;  // kDirectionFeatureSize each
    // Convolutions: out x in x 3 x 3, then out biases. Dense: out x in, then out biases.
    std::array<std::vector<float>, 3> convWeights, convBiases;
    std::vector<float> hiddenWeights, hiddenBiases;
    std::vector<float> outputWeights, outputBiases;
};

constexpr char kStrokeNetworkMagic[8] = {'H', 'W', 'N', 'E', 'T', 'W', 'K', '1'};

// Checks every size against the header, so a cut or foreign file is refused with a reason.
bool readStrokeNetwork(const std::string& path, StrokeNetwork& network, std::string& error);

// The network's hidden layer for these features; then the output of any character from it.
class StrokeNetworkRunner {
  public:
    explicit StrokeNetworkRunner(StrokeNetwork network) : network_(std::move(network)) {}
    const StrokeNetwork& network() const { return network_; }
    std::vector<float> hiddenLayer(const DirectionFeatures& features) const;
    float output(const std::vector<float>& hidden, std::size_t character) const;

  private:
    StrokeNetwork network_;
};

// The shape model's shortlist re-ranked by its score plus `weight` times the network's output
// for each character (both are log-likelihoods up to a constant), or, with no shape model, the
// network's outputs alone over every character.
class NetworkRecognizer final : public Recognizer {
  public:
    // `shape` null: the network alone.
    NetworkRecognizer(std::shared_ptr<const Recognizer> shape, StrokeNetwork network, double weight,
                      std::size_t shortList);

    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad = {}) const override;

  private:
    std::shared_ptr<const Recognizer> shape_;
    StrokeNetworkRunner runner_;
    std::unordered_map<std::string, std::uint32_t> index_;
    double weight_;
    std::size_t shortList_;
};

}  // namespace service
