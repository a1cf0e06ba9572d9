#include "shape_model_training.h"

#include <Eigen/Dense>
#include <Eigen/Eigenvalues>
#include <algorithm>
#include <map>
#include <sstream>

#include "character_frequencies.h"
#include "mouse_writing.h"

namespace training {
namespace {

using Matrix = Eigen::MatrixXd;
constexpr int kFeatures = static_cast<int>(service::kDirectionFeatureSize);

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

}  // namespace

bool readShapeTrainingSettings(const std::string& text, ShapeTrainingSettings& settings,
                               std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = trim(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        std::size_t eq = line.find('=');
        std::string name = eq == std::string::npos ? line : trim(line.substr(0, eq));
        std::string value = eq == std::string::npos ? "" : trim(line.substr(eq + 1));
        std::istringstream in(value);
        bool ok = !value.empty();
        if (name == "recipes") {
            settings.recipes.clear();
            for (std::string r; in >> r;) settings.recipes.push_back(r);
        } else if (name == "samples_per_recipe") {
            ok = ok && (in >> settings.samplesPerRecipe) && settings.samplesPerRecipe >= 2;
        } else if (name == "dimensions") {
            ok = ok && (in >> settings.dimensions) && settings.dimensions > 0 &&
                 settings.dimensions <= kFeatures;
        } else if (name == "axes") {
            ok = ok && (in >> settings.axes) && settings.axes >= 0;
        } else if (name == "shared_variance_factor") {
            ok = ok && (in >> settings.sharedVarianceFactor) && settings.sharedVarianceFactor > 0;
        } else if (name == "character_frequencies") {
            ok = ok && (in >> settings.characterFrequencies);
        } else if (name == "prior_weight") {
            ok = ok && (in >> settings.priorWeight) && settings.priorWeight >= 0;
        } else if (name == "prior_floor") {
            ok = ok && (in >> settings.priorFloor) && settings.priorFloor > 0;
        } else if (name == "prior_ceiling") {
            ok = ok && (in >> settings.priorCeiling) && settings.priorCeiling > 0;
        } else {
            error = "line " + std::to_string(number) + ": unknown setting '" + name + "'";
            return false;
        }
        std::string rest;
        if (!ok || (name != "recipes" && (in >> rest))) {
            error =
                "line " + std::to_string(number) + ": bad value for " + name + ": '" + value + "'";
            return false;
        }
    }
    if (settings.recipes.empty()) {
        error = "no recipes named";
        return false;
    }
    if (settings.priorCeiling < settings.priorFloor) {
        error = "prior_ceiling is below prior_floor";
        return false;
    }
    if (settings.axes >= settings.dimensions ||
        settings.axes >= settings.samplesPerRecipe * static_cast<int>(settings.recipes.size())) {
        error = "axes must be fewer than the dimensions and the samples per character";
        return false;
    }
    return true;
}

bool attachPrior(service::ShapeModel& model, const ShapeTrainingSettings& settings,
                 const std::string& settingsFolder, std::string& error) {
    model.frequencies.clear();
    model.priorWeight = 0;
    model.priorFloor = model.priorCeiling = 1;
    if (settings.characterFrequencies.empty())
        return true;
    std::string path = settings.characterFrequencies;
    if (path[0] != '/')
        path = settingsFolder + "/" + path;
    std::map<std::uint32_t, double> perMillion;
    if (!readCharacterFrequencies(path, perMillion, error))
        return false;
    for (const std::string& c : model.characters) {
        auto found = perMillion.find(firstCodepoint(c));
        model.frequencies.push_back(found == perMillion.end() ? 0.0f
                                                              : static_cast<float>(found->second));
    }
    model.priorWeight = static_cast<float>(settings.priorWeight);
    model.priorFloor = static_cast<float>(settings.priorFloor);
    model.priorCeiling = static_cast<float>(settings.priorCeiling);
    return true;
}

bool trainShapeModel(const std::vector<std::string>& characters,
                     const std::vector<std::vector<service::DirectionFeatures>>& samples,
                     const ShapeTrainingSettings& settings, service::ShapeModel& model,
                     std::string& error, const std::function<void(const std::string&)>& progress) {
    auto say = [&](const std::string& what) {
        if (progress)
            progress(what);
    };
    const int classes = static_cast<int>(characters.size());
    const int dims = settings.dimensions, axes = settings.axes;
    if (classes < 2 || samples.size() != characters.size()) {
        error = "need samples of at least two characters";
        return false;
    }
    for (int c = 0; c < classes; ++c)
        if (samples[c].size() < 2 || static_cast<int>(samples[c].size()) <= axes) {
            error = "too few samples of " + characters[c];
            return false;
        }
    if (dims >= classes && dims > 1) {
        // Discriminant analysis finds at most one direction fewer than there are classes.
        error = "more dimensions (" + std::to_string(dims) + ") than characters allow";
        return false;
    }

    // Class means and the scatter of samples about them.
    say("discriminant analysis: scatter of " + std::to_string(classes) + " characters");
    Matrix means = Matrix::Zero(classes, kFeatures);
    for (int c = 0; c < classes; ++c) {
        for (const auto& f : samples[c])
            for (int j = 0; j < kFeatures; ++j) means(c, j) += f[j];
        means.row(c) /= static_cast<double>(samples[c].size());
    }
    Matrix within = Matrix::Zero(kFeatures, kFeatures);
    {
        constexpr int kBlock = 4096;
        Matrix block(kBlock, kFeatures);
        int rows = 0;
        auto flush = [&] {
            if (rows == 0)
                return;
            within.selfadjointView<Eigen::Lower>().rankUpdate(block.topRows(rows).transpose());
            rows = 0;
        };
        for (int c = 0; c < classes; ++c)
            for (const auto& f : samples[c]) {
                for (int j = 0; j < kFeatures; ++j) block(rows, j) = f[j] - means(c, j);
                if (++rows == kBlock)
                    flush();
            }
        flush();
        within = Matrix(within.selfadjointView<Eigen::Lower>());
    }
    Matrix centred = means.rowwise() - means.colwise().mean();
    Matrix between = centred.transpose() * centred;
    // A little ridge keeps directions that no sample uses from looking infinitely sharp.
    within += Matrix::Identity(kFeatures, kFeatures) * (within.trace() / kFeatures * 1e-3);
    say("discriminant analysis: solving for " + std::to_string(dims) + " directions");
    Eigen::GeneralizedSelfAdjointEigenSolver<Matrix> solver(between, within);
    if (solver.info() != Eigen::Success) {
        error = "the discriminant analysis did not converge";
        return false;
    }
    Matrix projection = solver.eigenvectors().rightCols(dims).rowwise().reverse();
    Matrix projectedMeans = means * projection;

    // Each character's own spread: the leading eigenvectors of its covariance, found through
    // the small Gram matrix of its samples.
    say("quadratic discriminant: " + std::to_string(axes) + " axes per character");
    model = {};
    model.dimensions = dims;
    model.axes = axes;
    model.characters = characters;
    model.projection.resize(static_cast<std::size_t>(kFeatures) * dims);
    for (int i = 0; i < kFeatures; ++i)
        for (int j = 0; j < dims; ++j)
            model.projection[static_cast<std::size_t>(i) * dims + j] =
                static_cast<float>(projection(i, j));
    model.means.resize(static_cast<std::size_t>(classes) * dims);
    model.variances.resize(static_cast<std::size_t>(classes) * axes);
    model.axisVectors.resize(static_cast<std::size_t>(classes) * axes * dims);
    double traceSum = 0;
    for (int c = 0; c < classes; ++c) {
        const int n = static_cast<int>(samples[c].size());
        Matrix x(n, kFeatures);
        for (int s = 0; s < n; ++s)
            for (int j = 0; j < kFeatures; ++j) x(s, j) = samples[c][s][j];
        Matrix y = x * projection;
        y.rowwise() -= projectedMeans.row(c);
        for (int j = 0; j < dims; ++j)
            model.means[static_cast<std::size_t>(c) * dims + j] =
                static_cast<float>(projectedMeans(c, j));
        Matrix gram = y * y.transpose() / n;
        traceSum += gram.trace();
        if (axes == 0)
            continue;
        Eigen::SelfAdjointEigenSolver<Matrix> eigen(gram);
        for (int a = 0; a < axes; ++a) {
            int k = n - 1 - a;  // eigenvalues come smallest first
            Eigen::VectorXd axis = y.transpose() * eigen.eigenvectors().col(k);
            double length = axis.norm();
            if (length > 0)
                axis /= length;
            model.variances[static_cast<std::size_t>(c) * axes + a] =
                static_cast<float>(std::max(eigen.eigenvalues()(k), 0.0));
            for (int j = 0; j < dims; ++j)
                model.axisVectors[(static_cast<std::size_t>(c) * axes + a) * dims + j] =
                    static_cast<float>(axis(j));
        }
    }
    model.delta = static_cast<float>(traceSum / classes / dims * settings.sharedVarianceFactor);
    return true;
}

}  // namespace training
