#include "shape_model.h"

#include "model_file_bytes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace service {
namespace {

using model_file::allFinite;
using model_file::put;
using model_file::putFloats;
using model_file::Reader;

// Version 2 added the prior; version 1 files are still read, without one.
constexpr std::uint32_t kVersion = 2;
constexpr std::uint32_t kVersionWithoutPrior = 1;

}  // namespace

bool writeShapeModel(const ShapeModel& model, const std::string& path, std::string& error) {
    std::string out(kShapeModelMagic, sizeof kShapeModelMagic);
    put(out, kVersion);
    put(out, static_cast<std::uint32_t>(kDirectionFeatureSize));
    put(out, static_cast<std::uint32_t>(model.dimensions));
    put(out, static_cast<std::uint32_t>(model.axes));
    put(out, static_cast<std::uint32_t>(model.characters.size()));
    put(out, model.delta);
    put(out, static_cast<std::uint8_t>(!model.frequencies.empty()));
    put(out, model.priorWeight);
    put(out, model.priorFloor);
    put(out, model.priorCeiling);
    for (const std::string& c : model.characters) model_file::putText(out, c);
    putFloats(out, model.projection);
    putFloats(out, model.means);
    putFloats(out, model.variances);
    putFloats(out, model.axisVectors);
    putFloats(out, model.frequencies);
    std::string temporary = path + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(out.data(), static_cast<std::streamsize>(out.size()));
        if (!file.flush()) {
            error = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + temporary + " to " + path;
        return false;
    }
    return true;
}

bool isShapeModelFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char magic[sizeof kShapeModelMagic] = {};
    file.read(magic, sizeof magic);
    return file && std::memcmp(magic, kShapeModelMagic, sizeof magic) == 0;
}

bool readShapeModel(const std::string& path, ShapeModel& model, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot load the recognition model " + path + ": cannot open it";
        return false;
    }
    std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Reader in(data);
    std::string magic;
    std::uint32_t version = 0, features = 0, dimensions = 0, axes = 0, count = 0;
    auto bad = [&](const std::string& why) {
        error = "cannot load the recognition model " + path + ": " + why;
        return false;
    };
    if (!in.getBytes(magic, sizeof kShapeModelMagic) ||
        std::memcmp(magic.data(), kShapeModelMagic, sizeof kShapeModelMagic) != 0)
        return bad("no shape model header");
    if (!in.get(version) || (version != kVersion && version != kVersionWithoutPrior))
        return bad("version " + std::to_string(version) + ", expected " + std::to_string(kVersion));
    if (!in.get(features) || !in.get(dimensions) || !in.get(axes) || !in.get(count) ||
        !in.get(model.delta))
        return bad("cut short in its header");
    std::uint8_t hasPrior = 0;
    model.priorWeight = 0;
    model.priorFloor = model.priorCeiling = 1;
    if (version != kVersionWithoutPrior &&
        (!in.get(hasPrior) || !in.get(model.priorWeight) || !in.get(model.priorFloor) ||
         !in.get(model.priorCeiling)))
        return bad("cut short in its header");
    if (hasPrior > 1 || !std::isfinite(model.priorWeight) || model.priorWeight < 0 ||
        !(model.priorFloor > 0) || !(model.priorCeiling >= model.priorFloor) ||
        !std::isfinite(model.priorCeiling))
        return bad("implausible prior");
    if (features != kDirectionFeatureSize)
        return bad("made for " + std::to_string(features) + " features, not " +
                   std::to_string(kDirectionFeatureSize));
    if (dimensions == 0 || dimensions > kDirectionFeatureSize || axes > dimensions || count == 0 ||
        count > 100000 || !(model.delta > 0) || !std::isfinite(model.delta))
        return bad("implausible sizes");
    model.dimensions = static_cast<int>(dimensions);
    model.axes = static_cast<int>(axes);
    model.characters.resize(count);
    for (std::string& c : model.characters)
        if (!in.getText(c))
            return bad("cut short in its character list");
    if (!in.getFloats(model.projection, std::size_t{features} * dimensions) ||
        !in.getFloats(model.means, std::size_t{count} * dimensions) ||
        !in.getFloats(model.variances, std::size_t{count} * axes) ||
        !in.getFloats(model.axisVectors, std::size_t{count} * axes * dimensions))
        return bad("cut short");
    model.frequencies.clear();
    if (hasPrior && !in.getFloats(model.frequencies, count))
        return bad("cut short");
    if (!in.atEnd())
        return bad("longer than its header says");
    if (!allFinite(model.projection) || !allFinite(model.means) || !allFinite(model.variances) ||
        !allFinite(model.axisVectors) || !allFinite(model.frequencies))
        return bad("holds a value that is not a number");
    return true;
}

ShapeRecognizer::ShapeRecognizer(ShapeModel model, bool usePrior)
    : model_(std::move(model)), logDelta_(std::log(model_.delta)) {
    const std::size_t d = static_cast<std::size_t>(model_.dimensions);
    meanNorms_.resize(model_.characters.size());
    for (std::size_t c = 0; c < model_.characters.size(); ++c) {
        float sum = 0;
        for (std::size_t j = 0; j < d; ++j)
            sum += model_.means[c * d + j] * model_.means[c * d + j];
        meanNorms_[c] = sum;
    }
    // A variance below the shared one would make an axis stricter than the rest of the space.
    for (float& v : model_.variances) v = std::max(v, model_.delta);
    if (usePrior && model_.frequencies.size() == model_.characters.size() &&
        model_.priorWeight > 0) {
        priorBonus_.resize(model_.characters.size());
        for (std::size_t c = 0; c < priorBonus_.size(); ++c) {
            float f = std::clamp(model_.frequencies[c], model_.priorFloor, model_.priorCeiling);
            priorBonus_[c] = model_.priorWeight * std::log(f / model_.priorFloor);
        }
    }
}

std::vector<ScoredCandidate> ShapeRecognizer::rank(const std::vector<PadStroke>& strokes,
                                                   std::size_t count, PadSize) const {
    DirectionFeatures features;
    if (count == 0 || !extractDirectionFeatures(strokes, features))
        return {};
    const std::size_t d = static_cast<std::size_t>(model_.dimensions);
    const std::size_t classes = model_.characters.size();
    std::vector<float> y(d, 0.0f);
    for (std::size_t i = 0; i < kDirectionFeatureSize; ++i) {
        if (features[i] == 0)
            continue;
        const float* row = &model_.projection[i * d];
        for (std::size_t j = 0; j < d; ++j) y[j] += features[i] * row[j];
    }
    // Plain distance, up to the constant |y|^2.
    std::vector<std::pair<float, std::uint32_t>> near(classes);
    for (std::size_t c = 0; c < classes; ++c) {
        const float* mean = &model_.means[c * d];
        float dot = 0;
        for (std::size_t j = 0; j < d; ++j) dot += mean[j] * y[j];
        near[c] = {meanNorms_[c] - 2 * dot, static_cast<std::uint32_t>(c)};
    }
    std::size_t shortList = std::min(classes, std::max(count, kShortList));
    std::partial_sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(shortList),
                      near.end());
    near.resize(shortList);

    // The quadratic discriminant: distance in the shared variance, less what the character's
    // own axes explain, plus the price of its wider spread along them.
    const std::size_t axes = static_cast<std::size_t>(model_.axes);
    const float delta = model_.delta;
    std::vector<std::pair<float, std::uint32_t>> scored;
    scored.reserve(shortList);
    std::vector<float> residual(d);
    for (const auto& [plain, c] : near) {
        const float* mean = &model_.means[c * d];
        float distance = 0;
        for (std::size_t j = 0; j < d; ++j) {
            residual[j] = y[j] - mean[j];
            distance += residual[j] * residual[j];
        }
        float g = distance / delta;
        for (std::size_t a = 0; a < axes; ++a) {
            const float* axis = &model_.axisVectors[(c * axes + a) * d];
            float along = 0;
            for (std::size_t j = 0; j < d; ++j) along += axis[j] * residual[j];
            float variance = model_.variances[c * axes + a];
            g -= (1 / delta - 1 / variance) * along * along;
            g += std::log(variance) - logDelta_;
        }
        if (!priorBonus_.empty())
            g -= priorBonus_[c];
        scored.push_back({g, c});
    }
    std::size_t keep = std::min(count, scored.size());
    std::partial_sort(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(keep),
                      scored.end());
    std::vector<ScoredCandidate> out;
    out.reserve(keep);
    for (std::size_t i = 0; i < keep; ++i)
        out.push_back({model_.characters[scored[i].second], -static_cast<double>(scored[i].first)});
    return out;
}

}  // namespace service
