#include "engine/network_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/model_file_bytes.h"
#include "engine/network_kernels.h"

namespace engine {
namespace {

using model_file::allFinite;
using model_file::put;
using model_file::putFloats;
using model_file::Reader;

constexpr std::uint32_t kVersion = 1;
constexpr int kInputPlanes = kPlaneSets * kDirectionCount;

int kernelSize(const NetworkLayer& layer) {
    return layer.kind == NetworkLayer::Kind::convolution ? 9 : 1;
}

bool hasWeights(const NetworkLayer& layer) {
    return layer.kind == NetworkLayer::Kind::convolution || layer.kind == NetworkLayer::Kind::dense;
}

// Walks the layers' shapes from the input planes; false with a reason when they do not fit.
bool checkShapes(const NetworkModel& model, std::string& why) {
    int channels = kInputPlanes, side = kPlaneCells;
    bool flat = false;
    for (std::size_t i = 0; i < model.layers.size(); ++i) {
        const NetworkLayer& layer = model.layers[i];
        const std::string name = "layer " + std::to_string(i + 1);
        const int values = flat ? channels : channels * side * side;
        switch (layer.kind) {
            case NetworkLayer::Kind::convolution:
                if (flat || layer.inputs != channels) {
                    why = name + ": a convolution does not fit what comes before it";
                    return false;
                }
                channels = layer.outputs;
                break;
            case NetworkLayer::Kind::pool:
                if (flat || layer.inputs != channels || layer.outputs != channels || side % 2) {
                    why = name + ": a pool does not fit what comes before it";
                    return false;
                }
                side /= 2;
                break;
            case NetworkLayer::Kind::geometry:
                if (layer.inputs != values || layer.outputs != values + kGeometryValues) {
                    why = name + ": the geometry does not fit what comes before it";
                    return false;
                }
                channels = layer.outputs;
                flat = true;
                break;
            case NetworkLayer::Kind::dense:
                if (layer.inputs != values) {
                    why = name + ": a dense layer of " + std::to_string(layer.inputs) +
                          " inputs after " + std::to_string(values) + " values";
                    return false;
                }
                channels = layer.outputs;
                flat = true;
                break;
            default:
                why = name + ": unknown kind";
                return false;
        }
        if (hasWeights(layer) &&
            (layer.quantized.size() !=
                 static_cast<std::size_t>(layer.outputs) * layer.inputs * kernelSize(layer) ||
             layer.scales.size() != static_cast<std::size_t>(layer.outputs) ||
             layer.biases.size() != static_cast<std::size_t>(layer.outputs))) {
            why = name + ": its weights do not match its sizes";
            return false;
        }
    }
    if (!flat || channels != static_cast<int>(model.characters.size())) {
        why = "the last layer does not give one score per character";
        return false;
    }
    return true;
}

}  // namespace

void networkInput(const DirectionPlanes& planes, std::vector<float>& input) {
    input.resize(planes.size());
    for (std::size_t i = 0; i < planes.size(); ++i) {
        float units = std::min(std::round(planes[i] * 64.0f), 255.0f) / 64.0f;
        input[i] = std::sqrt(std::max(units, 0.0f));
    }
}

NetworkRunner::NetworkRunner(NetworkModel model) : model_(std::move(model)) {
    for (const NetworkLayer& layer : model_.layers) {
        std::vector<float> weights;
        if (layer.kind == NetworkLayer::Kind::convolution) {
            const std::size_t perOutput = static_cast<std::size_t>(layer.inputs) * 9;
            weights.resize(layer.quantized.size());
            for (std::size_t i = 0; i < weights.size(); ++i)
                weights[i] = layer.quantized[i] * layer.scales[i / perOutput];
        }
        weights_.push_back(std::move(weights));
    }
}

std::vector<float> NetworkRunner::scores(const DirectionPlanes& planes,
                                         const WritingGeometry& geometry) const {
    thread_local std::vector<float> current, next, columns;
    networkInput(planes, current);
    int channels = kInputPlanes, side = kPlaneCells;
    for (std::size_t l = 0; l < model_.layers.size(); ++l) {
        const NetworkLayer& layer = model_.layers[l];
        const int area = side * side;
        switch (layer.kind) {
            case NetworkLayer::Kind::convolution: {
                // Each output cell's 3 x 3 neighbourhood of every channel as a column, so the
                // convolution is one matrix product.
                columns.assign(static_cast<std::size_t>(channels) * 9 * area, 0.0f);
                for (int c = 0; c < channels; ++c)
                    for (int ky = 0; ky < 3; ++ky)
                        for (int kx = 0; kx < 3; ++kx) {
                            float* row =
                                &columns[(static_cast<std::size_t>(c) * 9 + ky * 3 + kx) * area];
                            for (int y = 0; y < side; ++y) {
                                int sy = y + ky - 1;
                                if (sy < 0 || sy >= side)
                                    continue;
                                const float* source =
                                    &current[(static_cast<std::size_t>(c) * side + sy) * side];
                                for (int x = 0; x < side; ++x) {
                                    int sx = x + kx - 1;
                                    if (sx >= 0 && sx < side)
                                        row[y * side + x] = source[sx];
                                }
                            }
                        }
                next.resize(static_cast<std::size_t>(layer.outputs) * area);
                kernels::multiply(weights_[l].data(), columns.data(), layer.biases.data(),
                                  next.data(), layer.outputs, channels * 9, area);
                channels = layer.outputs;
                break;
            }
            case NetworkLayer::Kind::pool: {
                const int half = side / 2;
                next.resize(static_cast<std::size_t>(channels) * half * half);
                for (int c = 0; c < channels; ++c)
                    for (int y = 0; y < half; ++y)
                        for (int x = 0; x < half; ++x) {
                            const float* p =
                                &current[(static_cast<std::size_t>(c) * side + 2 * y) * side +
                                         2 * x];
                            next[(static_cast<std::size_t>(c) * half + y) * half + x] =
                                std::max(std::max(p[0], p[1]), std::max(p[side], p[side + 1]));
                        }
                side = half;
                break;
            }
            case NetworkLayer::Kind::geometry:
                next = current;
                for (std::uint8_t v : geometry) next.push_back(v / 255.0f);
                channels = layer.outputs;
                side = 1;
                break;
            case NetworkLayer::Kind::dense:
                next.resize(static_cast<std::size_t>(layer.outputs));
                kernels::multiplyQuantized(layer.quantized.data(), layer.scales.data(),
                                           layer.biases.data(), current.data(), next.data(),
                                           layer.outputs, layer.inputs);
                channels = layer.outputs;
                side = 1;
                break;
        }
        if (layer.rectify)
            for (float& v : next) v = std::max(v, 0.0f);
        std::swap(current, next);
    }
    return current;
}

std::string networkModelBytes(const NetworkModel& model, const DirectionPlanes& checkSample,
                              const WritingGeometry& checkGeometry) {
    std::string out(kNetworkModelMagic, sizeof kNetworkModelMagic);
    put(out, kVersion);
    put(out, static_cast<std::uint32_t>(kInputPlanes));
    put(out, static_cast<std::uint32_t>(kPlaneCells));
    put(out, static_cast<std::uint32_t>(model.characters.size()));
    put(out, static_cast<std::uint32_t>(model.layers.size()));
    for (const std::string& c : model.characters) model_file::putText(out, c);
    put(out, static_cast<std::uint8_t>(!model.frequencies.empty()));
    put(out, model.priorWeight);
    put(out, model.priorFloor);
    put(out, model.priorCeiling);
    putFloats(out, model.frequencies);
    for (const NetworkLayer& layer : model.layers) {
        put(out, static_cast<std::uint8_t>(layer.kind));
        put(out, static_cast<std::uint32_t>(layer.inputs));
        put(out, static_cast<std::uint32_t>(layer.outputs));
        put(out, static_cast<std::uint8_t>(layer.rectify));
        if (!hasWeights(layer))
            continue;
        out.append(reinterpret_cast<const char*>(layer.quantized.data()), layer.quantized.size());
        putFloats(out, layer.scales);
        putFloats(out, layer.biases);
    }
    putFloats(out, std::vector<float>(checkSample.begin(), checkSample.end()));
    out.append(checkGeometry.begin(), checkGeometry.end());
    putFloats(out, NetworkRunner(model).scores(checkSample, checkGeometry));
    if (!model.provenance.empty()) {
        out.append(kNetworkProvenanceTag, sizeof kNetworkProvenanceTag);
        put(out, static_cast<std::uint32_t>(model.provenance.size()));
        out += model.provenance;
    }
    return out;
}

bool readNetworkModel(const std::string& path, NetworkModel& model, std::string& error) {
    auto bad = [&](const std::string& why) {
        error = "cannot load the recognition model " + path + ": " + why;
        return false;
    };
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return bad("cannot open it");
    const std::string data((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    Reader in(data);
    std::string magic;
    std::uint32_t version = 0, planes = 0, cells = 0, classes = 0, layers = 0;
    if (!in.getBytes(magic, sizeof kNetworkModelMagic) ||
        std::memcmp(magic.data(), kNetworkModelMagic, sizeof kNetworkModelMagic) != 0)
        return bad("no network model header");
    if (!in.get(version) || version != kVersion)
        return bad("version " + std::to_string(version) + ", expected " + std::to_string(kVersion));
    if (!in.get(planes) || !in.get(cells) || !in.get(classes) || !in.get(layers))
        return bad("cut short in its header");
    if (planes != static_cast<std::uint32_t>(kInputPlanes) ||
        cells != static_cast<std::uint32_t>(kPlaneCells))
        return bad("made for " + std::to_string(planes) + " planes of " + std::to_string(cells) +
                   " cells, not " + std::to_string(kInputPlanes) + " of " +
                   std::to_string(kPlaneCells));
    if (classes == 0 || classes > 100000 || layers == 0 || layers > 64)
        return bad("implausible sizes");
    model = {};
    model.characters.resize(classes);
    for (std::string& c : model.characters)
        if (!in.getText(c))
            return bad("cut short in its character list");
    std::uint8_t hasPrior = 0;
    if (!in.get(hasPrior) || !in.get(model.priorWeight) || !in.get(model.priorFloor) ||
        !in.get(model.priorCeiling) || (hasPrior && !in.getFloats(model.frequencies, classes)))
        return bad("cut short in its prior");
    if (hasPrior > 1 || !std::isfinite(model.priorWeight) || model.priorWeight < 0 ||
        !(model.priorFloor > 0) || !(model.priorCeiling >= model.priorFloor) ||
        !std::isfinite(model.priorCeiling) || !allFinite(model.frequencies))
        return bad("implausible prior");
    for (std::uint32_t i = 0; i < layers; ++i) {
        NetworkLayer layer;
        std::uint8_t kind = 0, rectify = 0;
        std::uint32_t inputs = 0, outputs = 0;
        if (!in.get(kind) || !in.get(inputs) || !in.get(outputs) || !in.get(rectify))
            return bad("cut short in layer " + std::to_string(i + 1));
        if (kind < 1 || kind > 4 || rectify > 1 || inputs == 0 || inputs > (1u << 20) ||
            outputs == 0 || outputs > (1u << 20))
            return bad("layer " + std::to_string(i + 1) + " is not one this program knows");
        layer.kind = static_cast<NetworkLayer::Kind>(kind);
        layer.inputs = static_cast<int>(inputs);
        layer.outputs = static_cast<int>(outputs);
        layer.rectify = rectify != 0;
        if (hasWeights(layer)) {
            std::string bytes;
            if (!in.getBytes(bytes, std::size_t{outputs} * inputs * kernelSize(layer)) ||
                !in.getFloats(layer.scales, outputs) || !in.getFloats(layer.biases, outputs))
                return bad("cut short in layer " + std::to_string(i + 1));
            layer.quantized.resize(bytes.size());
            std::memcpy(layer.quantized.data(), bytes.data(), bytes.size());
            if (!allFinite(layer.scales) || !allFinite(layer.biases))
                return bad("holds a value that is not a number");
        }
        model.layers.push_back(std::move(layer));
    }
    std::string why;
    if (!checkShapes(model, why))
        return bad(why);
    std::vector<float> probe, expected;
    std::string geometryBytes;
    if (!in.getFloats(probe, kDirectionPlaneSize) || !in.getBytes(geometryBytes, kGeometryValues) ||
        !in.getFloats(expected, classes))
        return bad("cut short in its check sample");
    if (!in.atEnd()) {
        std::string tag;
        std::uint32_t length = 0;
        if (!in.getBytes(tag, sizeof kNetworkProvenanceTag) ||
            std::memcmp(tag.data(), kNetworkProvenanceTag, sizeof kNetworkProvenanceTag) != 0)
            return bad("longer than its header says");
        if (!in.get(length) || !in.getBytes(model.provenance, length))
            return bad("cut short in its provenance");
        if (length == 0)
            return bad("an empty provenance");
        if (!in.atEnd())
            return bad("longer than its provenance says");
    }
    if (!allFinite(probe) || !allFinite(expected))
        return bad("holds a value that is not a number");
    // The trainer's scores for its check sample: the same here, or the file's layout is not the
    // one this reader assumes.
    DirectionPlanes sample;
    std::copy(probe.begin(), probe.end(), sample.begin());
    WritingGeometry geometry;
    std::copy(geometryBytes.begin(), geometryBytes.end(), geometry.begin());
    const std::vector<float> got = NetworkRunner(model).scores(sample, geometry);
    for (std::size_t c = 0; c < classes; ++c)
        if (std::fabs(got[c] - expected[c]) > 2e-3f * (1 + std::fabs(expected[c])))
            return bad("its check sample comes out differently (" + std::to_string(got[c]) +
                       " for " + model.characters[c] + ", expected " + std::to_string(expected[c]) +
                       ")");
    return true;
}

float priorGain(const NetworkModel& model, std::size_t c) {
    return std::log(std::clamp(model.frequencies[c], model.priorFloor, model.priorCeiling) /
                    model.priorFloor);
}

NetworkRecognizer::NetworkRecognizer(NetworkModel model, bool usePrior)
    : runner_(std::move(model)) {
    const NetworkModel& m = runner_.model();
    if (usePrior && m.frequencies.size() == m.characters.size() && m.priorWeight > 0)
        for (std::size_t c = 0; c < m.frequencies.size(); ++c)
            priorBonus_.push_back(m.priorWeight * priorGain(m, c));
}

std::vector<ScoredCandidate> NetworkRecognizer::rank(const std::vector<PadStroke>& strokes,
                                                     std::size_t count, PadSize pad) const {
    thread_local DirectionPlanes planes;
    if (count == 0 || !extractDirectionPlanes(strokes, planes))
        return {};
    std::vector<float> scores = runner_.scores(planes, writingGeometry(strokes, pad));
    for (std::size_t c = 0; c < priorBonus_.size(); ++c) scores[c] += priorBonus_[c];
    std::vector<std::uint32_t> order(scores.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    const std::size_t keep = std::min(count, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(keep), order.end(),
                      [&](std::uint32_t a, std::uint32_t b) {
                          return scores[a] > scores[b] || (scores[a] == scores[b] && a < b);
                      });
    std::vector<ScoredCandidate> out;
    for (std::size_t i = 0; i < keep; ++i)
        out.push_back({runner_.model().characters[order[i]], scores[order[i]]});
    return out;
}

}  // namespace engine
