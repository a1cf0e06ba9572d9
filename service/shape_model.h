// The shape model: the service's own recogniser. The writing's direction features
// (direction_features.h) are projected onto the few dozen directions that best tell the
// characters apart (linear discriminant analysis), and each character is a point there with
// the main axes along which its writing varies (a modified quadratic discriminant). The
// nearest characters are found by plain distance and then ranked by their own spread.
// training/shape_model_training.h makes the model; this file reads and uses it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "direction_features.h"
#include "recognizer.h"

namespace service {

struct ShapeModel {
    int dimensions = 0;                   // of the projected space
    int axes = 0;                         // per character
    float delta = 1;                      // the variance assumed along every other direction
    std::vector<std::string> characters;  // UTF-8
    std::vector<float> projection;        // kDirectionFeatureSize x dimensions, row-major
    std::vector<float> means;             // characters x dimensions
    std::vector<float> variances;         // characters x axes, largest first
    std::vector<float> axisVectors;       // characters x axes x dimensions, unit length
    // The prior: how often each character occurs in text, per million characters (empty: no
    // prior). A common character gains priorWeight * ln(frequency / priorFloor) on the
    // discriminant, with the frequency held between priorFloor and priorCeiling, so that the
    // prior decides between look-alikes whose shapes score alike and never against a shape
    // that is clearly better.
    std::vector<float> frequencies;  // characters
    float priorWeight = 0;
    float priorFloor = 1;
    float priorCeiling = 1;
};

// The file starts with this; Recognizer::open tells shape models from zinnia's by it.
constexpr char kShapeModelMagic[8] = {'H', 'W', 'S', 'H', 'A', 'P', 'E', '1'};

bool writeShapeModel(const ShapeModel& model, const std::string& path, std::string& error);
// Checks every size against the header, so a cut or foreign file is refused with a reason.
bool readShapeModel(const std::string& path, ShapeModel& model, std::string& error);
bool isShapeModelFile(const std::string& path);

class ShapeRecognizer final : public Recognizer {
  public:
    // `usePrior` false ranks by shape alone, for comparing the two.
    explicit ShapeRecognizer(ShapeModel model, bool usePrior = true);

    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad = {}) const override;

    // How many of the nearest characters by plain distance the quadratic ranking looks at.
    static constexpr std::size_t kShortList = 200;

  private:
    ShapeModel model_;
    std::vector<float> meanNorms_;   // squared length of every mean
    std::vector<float> priorBonus_;  // per character, taken off the discriminant; empty: none
    float logDelta_;
};

}  // namespace service
