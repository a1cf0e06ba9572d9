// Making the shape model (service/shape_model.h) from written samples of every character:
// linear discriminant analysis of their direction features, then each character's mean and
// main axes of variation in the projected space.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "direction_features.h"
#include "shape_model.h"

namespace training {

struct ShapeTrainingSettings {
    std::vector<std::string> recipes;  // writing settings files, beside the settings file
    int samplesPerRecipe = 24;         // per character
    int dimensions = 128;
    int axes = 8;
    // The variance assumed outside a character's own axes, as a multiple of the average
    // variance per dimension of all characters' writing.
    double sharedVarianceFactor = 2.0;
    // The prior (service::ShapeModel): a list of words with their counts in modern text, and
    // how far it may move the discriminant. No list: no prior.
    std::string characterFrequencies;
    double priorWeight = 0;
    double priorFloor = 0.1;     // per million characters
    double priorCeiling = 1000;  // per million characters
};

bool readShapeTrainingSettings(const std::string& text, ShapeTrainingSettings& settings,
                               std::string& error);

// samples[c] holds the feature vectors written for characters[c]; every character needs at
// least two. `progress` hears what is being done.
bool trainShapeModel(const std::vector<std::string>& characters,
                     const std::vector<std::vector<service::DirectionFeatures>>& samples,
                     const ShapeTrainingSettings& settings, service::ShapeModel& model,
                     std::string& error,
                     const std::function<void(const std::string&)>& progress = {});

// Sets the model's prior from the word list the settings name (a path relative to
// `settingsFolder` unless absolute).
bool attachPrior(service::ShapeModel& model, const ShapeTrainingSettings& settings,
                 const std::string& settingsFolder, std::string& error);

}  // namespace training
