// The network model: a convolutional network that reads the writing's direction planes
// (direction_features.h: 16 planes of 32 x 32 cells) as pictures and gives every character a
// score. Trained on synthetic writing by training/train_network_model.py; this file reads and
// runs it. Plain C++, the same in every build; the heavy loops take the processor's wider
// instructions where it has them (network_kernels.h).
//
// It runs on 8-bit integers: each weighted layer's input is rounded to bytes, its own scale per
// sample and layer (the range of those values over 255), the weights are the file's bytes and
// the sums 32-bit integers, which the output's scales and biases turn back into floats. The
// trainer's float arithmetic (referenceScores) gives the same first candidate on nearly every
// sample; the scores differ by a few hundredths.
//
// The file holds the layers in order. Convolutions are 3 x 3 with zero padding; a pool takes
// the largest of each 2 x 2; a dense layer sees the previous layer's values in channel, row,
// column order, as the trainer lays them out. Weights are stored as 8-bit integers with a scale
// per output, which keeps the file small and loses nothing measurable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/direction_features.h"
#include "engine/recognizer.h"

namespace engine {

struct NetworkLayer {
    // `geometry` flattens what comes before it and appends the writing's geometry
    // (direction_features.h), each value in 255ths, so the dense layers see size and place.
    enum class Kind : std::uint8_t { convolution = 1, pool = 2, dense = 3, geometry = 4 };
    Kind kind = Kind::dense;
    int inputs = 0;   // channels, or values of a dense layer
    int outputs = 0;  // channels, or values
    bool rectify = false;
    // Per output: its weights (inputs x 3 x 3 for a convolution, inputs for a dense layer) are
    // quantized[...] * scales[output].
    std::vector<std::int8_t> quantized;
    std::vector<float> scales;
    std::vector<float> biases;
};

struct NetworkModel {
    std::vector<std::string> characters;  // UTF-8, one per output of the last layer
    std::vector<NetworkLayer> layers;
    // The prior: how often each character occurs in text, per million characters (empty: no
    // prior); a character's score gains priorWeight * ln(frequency / priorFloor), the frequency
    // held between floor and ceiling.
    std::vector<float> frequencies;
    float priorWeight = 0;
    float priorFloor = 1;
    float priorCeiling = 1;
    // Where the model came from, as `name = value` lines (the recipe's hash, the commit, the
    // versions of the data and of PyTorch: training/train-network-model.sh); empty in models
    // trained before files recorded it.
    std::string provenance;
};

constexpr char kNetworkModelMagic[8] = {'H', 'W', 'N', 'E', 'T', 'M', 'D', '1'};
// After the check sample, optionally: this tag, a u32 length and the provenance's text. A file
// without it still reads, so older models keep loading.
constexpr char kNetworkProvenanceTag[8] = {'H', 'W', 'P', 'R', 'O', 'V', 'N', '1'};

// Checks every size against the header and the layers against each other, then runs the check
// sample the trainer stored and compares the scores, so a cut, foreign or differently laid out
// file is refused with a reason.
bool readNetworkModel(const std::string& path, NetworkModel& model, std::string& error);
// The bytes of a model file with the given check sample (its scores are computed here).
std::string networkModelBytes(const NetworkModel& model, const DirectionPlanes& checkSample,
                              const WritingGeometry& checkGeometry = {});

// What character `c`'s score gains per unit of prior weight: ln(frequency / floor), the
// frequency held between floor and ceiling. The model must have a prior.
float priorGain(const NetworkModel& model, std::size_t c);

// The network's input: each cell's length of pen path, as the trainer saw it (in 64ths of a
// unit, at most 255 of them), square rooted so that long strokes do not drown short ones.
void networkInput(const DirectionPlanes& planes, std::vector<float>& input);

// Runs the layers. Safe to call from several threads at once.
class NetworkRunner {
  public:
    explicit NetworkRunner(NetworkModel model);
    const NetworkModel& model() const { return model_; }
    // Every character's score (higher is better, a log-probability up to a constant).
    std::vector<float> scores(const DirectionPlanes& planes,
                              const WritingGeometry& geometry = {}) const;
    // The same in floats, as the trainer computes them (its check sample's scores): slow, for
    // writing model files and for tests.
    std::vector<float> referenceScores(const DirectionPlanes& planes,
                                       const WritingGeometry& geometry = {}) const;

  private:
    struct Prepared {
        std::vector<std::int8_t> packed;  // a convolution's weights (kernels::packConvolution)
        std::vector<std::int32_t> sums;   // per output: the sum of its weights (of the values
                                          // before the geometry, after one)
        int channels = 0;                 // a convolution's inputs, padded to 4
        int rows = 0;                     // its outputs, padded to a row block
        bool afterGeometry = false;       // a dense layer whose last inputs are the geometry
    };
    NetworkModel model_;
    std::vector<Prepared> prepared_;  // per layer
};

class NetworkRecognizer final : public Recognizer {
  public:
    // `usePrior` false ranks by the network's scores alone, for comparing the two.
    explicit NetworkRecognizer(NetworkModel model, bool usePrior = true);
    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad = {}) const override;

  private:
    NetworkRunner runner_;
    std::vector<float> priorBonus_;  // per character; empty: none
};

}  // namespace engine
