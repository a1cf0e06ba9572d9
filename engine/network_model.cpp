#include "engine/network_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numeric>

#include "engine/model_file_bytes.h"
#include "engine/network_kernels.h"

namespace engine {
namespace {

using model_file::allFinite;
using model_file::put;
using model_file::putFloats;
using model_file::Reader;

constexpr std::uint32_t kVersion = 1;
// How far the 8-bit scores may stray from the float ones, as a share of (1 + the largest score):
// rounding every layer's input to bytes moves today's model's scores (up to 12) by 0.02 to 0.04.
constexpr float kByteTolerance = 0.01f;
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

namespace {

// The input's 256 values: the square roots of 0 to 255 64ths.
struct InputValues {
    float value[256];
    InputValues() {
        for (int n = 0; n < 256; ++n) value[n] = std::sqrt(n / 64.0f);
    }
};
const InputValues& inputValues() {
    static const InputValues values;
    return values;
}

// A cell's length of pen path in 64ths, rounded half away from zero as std::round does (without
// its library call), held between 0 and 255.
inline int inputUnits(float length) {
    float units = length * 64.0f;
    units = units > 0 ? units : 0;  // (a NaN too)
    units = units < 255 ? units : 255;
    const int whole = static_cast<int>(units);
    return whole + (units - static_cast<float>(whole) >= 0.5f);
}

}  // namespace

void networkInput(const DirectionPlanes& planes, std::vector<float>& input) {
    input.resize(planes.size());
    const InputValues& values = inputValues();
    for (std::size_t i = 0; i < planes.size(); ++i) input[i] = values.value[inputUnits(planes[i])];
}

NetworkRunner::NetworkRunner(NetworkModel model) : model_(std::move(model)) {
    for (std::size_t l = 0; l < model_.layers.size(); ++l) {
        const NetworkLayer& layer = model_.layers[l];
        Prepared p;
        if (hasWeights(layer)) {
            const int size = layer.inputs * kernelSize(layer);
            p.afterGeometry = l > 0 && model_.layers[l - 1].kind == NetworkLayer::Kind::geometry;
            const int summed = p.afterGeometry ? size - kGeometryValues : size;
            for (int o = 0; o < layer.outputs; ++o) {
                const std::int8_t* w = &layer.quantized[static_cast<std::size_t>(o) * size];
                p.sums.push_back(std::accumulate(w, w + summed, 0));
            }
        }
        if (layer.kind == NetworkLayer::Kind::convolution) {
            p.packed =
                kernels::packConvolution(layer.quantized.data(), layer.outputs, layer.inputs);
            p.channels = kernels::roundUp(layer.inputs, 4);
            p.rows = kernels::roundUp(layer.outputs, kernels::kRowBlock);
        }
        prepared_.push_back(std::move(p));
    }
}

namespace {

// How a layer's input is rounded to bytes: value = scale * (byte - zero), the range from the
// lowest value (or 0) to the highest (or 0) in 255 steps; zero is 0 where nothing is negative,
// as after a rectifier.
struct ByteScale {
    float scale = 1;
    int zero = 0;
};

ByteScale byteScale(const float* values, std::size_t count) {
    // Eight lanes apart, which the compiler turns into vector minima and maxima.
    constexpr std::size_t kLanes = 8;
    float lows[kLanes] = {}, highs[kLanes] = {};
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes)
        for (std::size_t j = 0; j < kLanes; ++j) {
            lows[j] = values[i + j] < lows[j] ? values[i + j] : lows[j];
            highs[j] = values[i + j] > highs[j] ? values[i + j] : highs[j];
        }
    for (std::size_t j = 0; i + j < count; ++j) {
        lows[j] = values[i + j] < lows[j] ? values[i + j] : lows[j];
        highs[j] = values[i + j] > highs[j] ? values[i + j] : highs[j];
    }
    float low = 0, high = 0;
    for (std::size_t j = 0; j < kLanes; ++j) {
        low = lows[j] < low ? lows[j] : low;
        high = highs[j] > high ? highs[j] : high;
    }
    if (!(high > low))
        return {};
    ByteScale b;
    b.scale = (high - low) / 255;
    b.zero = std::clamp(static_cast<int>(-low / b.scale + 0.5f), 0, 255);
    return b;
}

// `count` values from `from` as bytes at `to`, rounded to the nearest.
void toBytes(const float* from, std::size_t count, const ByteScale& b, std::uint8_t* to) {
    const float inverse = 1 / b.scale, offset = static_cast<float>(b.zero) + 0.5f;
    for (std::size_t i = 0; i < count; ++i) {
        float v = from[i] * inverse + offset;
        v = v < 0 ? 0 : v;
        v = v > 255 ? 255 : v;
        to[i] = static_cast<std::uint8_t>(static_cast<int>(v));
    }
}

// Cells x channels (the convolutions' order) to channels x cells (the trainer's flattening).
void toChannelsFirst(const std::vector<float>& from, int channels, int area,
                     std::vector<float>& to) {
    to.resize(static_cast<std::size_t>(channels) * area);
    for (int cell = 0; cell < area; ++cell)
        for (int c = 0; c < channels; ++c)
            to[static_cast<std::size_t>(c) * area + cell] =
                from[static_cast<std::size_t>(cell) * channels + c];
}

}  // namespace

std::vector<float> NetworkRunner::scores(const DirectionPlanes& planes,
                                         const WritingGeometry& geometry) const {
    thread_local std::vector<float> current, next, factors;
    thread_local std::vector<std::uint8_t> bytes;
    thread_local std::vector<std::int32_t> sums, geometrySums, corrections;
    // Until the first dense layer or geometry, the values are cells x channels.
    int channels = kInputPlanes, side = kPlaneCells;
    current.resize(planes.size());
    const InputValues& values = inputValues();
    for (int c = 0; c < channels; ++c)
        for (int cell = 0; cell < side * side; ++cell)
            current[static_cast<std::size_t>(cell) * channels + c] =
                values.value[inputUnits(planes[static_cast<std::size_t>(c) * side * side + cell])];
    bool flat = false;
    // Per output of a weighted layer whose input was rounded by `b`: the factor that turns its
    // integer sum into the value, and what the zero bytes added to the sum.
    auto prepare = [&](const NetworkLayer& layer, const Prepared& p, const ByteScale& b) {
        factors.resize(static_cast<std::size_t>(layer.outputs));
        corrections.resize(static_cast<std::size_t>(layer.outputs));
        for (int o = 0; o < layer.outputs; ++o) {
            factors[o] = layer.scales[o] * b.scale;
            corrections[o] = b.zero * p.sums[o];
        }
    };
    for (std::size_t l = 0; l < model_.layers.size(); ++l) {
        const NetworkLayer& layer = model_.layers[l];
        const Prepared& p = prepared_[l];
        const int area = side * side;
        switch (layer.kind) {
            case NetworkLayer::Kind::convolution: {
                // The image with a ring of zeros (as bytes) around it, each cell its channels.
                const ByteScale b = byteScale(current.data(), current.size());
                const int padded = side + 2;
                bytes.assign(static_cast<std::size_t>(padded) * padded * p.channels,
                             static_cast<std::uint8_t>(b.zero));
                for (int y = 0; y < side; ++y)
                    for (int x = 0; x < side; ++x)
                        toBytes(&current[(static_cast<std::size_t>(y) * side + x) * channels],
                                static_cast<std::size_t>(channels), b,
                                &bytes[(static_cast<std::size_t>(y + 1) * padded + x + 1) *
                                       p.channels]);
                sums.resize(static_cast<std::size_t>(kernels::roundUp(area, kernels::kCellTile)) *
                            p.rows);
                kernels::convolve(bytes.data(), side, p.channels, p.packed.data(), p.rows,
                                  sums.data());
                prepare(layer, p, b);
                next.resize(static_cast<std::size_t>(layer.outputs) * area);
                for (int cell = 0; cell < area; ++cell) {
                    const std::int32_t* sum = &sums[static_cast<std::size_t>(cell) * p.rows];
                    float* out = &next[static_cast<std::size_t>(cell) * layer.outputs];
                    for (int o = 0; o < layer.outputs; ++o)
                        out[o] = layer.biases[o] +
                                 factors[o] * static_cast<float>(sum[o] - corrections[o]);
                    if (layer.rectify)
                        for (int o = 0; o < layer.outputs; ++o) out[o] = std::max(out[o], 0.0f);
                }
                channels = layer.outputs;
                break;
            }
            case NetworkLayer::Kind::pool: {
                const int half = side / 2;
                next.resize(static_cast<std::size_t>(channels) * half * half);
                for (int y = 0; y < half; ++y)
                    for (int x = 0; x < half; ++x) {
                        const float* a =
                            &current[(static_cast<std::size_t>(2 * y) * side + 2 * x) * channels];
                        const float* b = a + channels;
                        const float* c = a + static_cast<std::size_t>(side) * channels;
                        const float* d = c + channels;
                        float* out = &next[(static_cast<std::size_t>(y) * half + x) * channels];
                        for (int i = 0; i < channels; ++i)
                            out[i] = std::max(std::max(a[i], b[i]), std::max(c[i], d[i]));
                    }
                side = half;
                break;
            }
            case NetworkLayer::Kind::geometry:
                if (!flat)
                    toChannelsFirst(current, channels, area, next);
                else
                    next = current;
                for (std::uint8_t v : geometry) next.push_back(v / 255.0f);
                channels = layer.outputs;
                side = 1;
                flat = true;
                break;
            case NetworkLayer::Kind::dense: {
                if (!flat) {
                    toChannelsFirst(current, channels, area, next);
                    std::swap(current, next);
                }
                // The geometry's values are whole 255ths: their bytes, with a scale of their own.
                const int rounded = p.afterGeometry ? layer.inputs - kGeometryValues : layer.inputs;
                const ByteScale b = byteScale(current.data(), static_cast<std::size_t>(rounded));
                bytes.resize(static_cast<std::size_t>(layer.inputs));
                toBytes(current.data(), static_cast<std::size_t>(rounded), b, bytes.data());
                sums.resize(static_cast<std::size_t>(layer.outputs));
                kernels::dot(layer.quantized.data(), static_cast<std::size_t>(layer.inputs),
                             bytes.data(), layer.outputs, rounded, sums.data());
                geometrySums.assign(static_cast<std::size_t>(layer.outputs), 0);
                if (p.afterGeometry) {
                    std::copy(geometry.begin(), geometry.end(), bytes.begin() + rounded);
                    kernels::dot(layer.quantized.data() + rounded,
                                 static_cast<std::size_t>(layer.inputs), bytes.data() + rounded,
                                 layer.outputs, kGeometryValues, geometrySums.data());
                }
                prepare(layer, p, b);
                next.resize(static_cast<std::size_t>(layer.outputs));
                for (int o = 0; o < layer.outputs; ++o)
                    next[o] = layer.biases[o] +
                              factors[o] * static_cast<float>(sums[o] - corrections[o]) +
                              layer.scales[o] / 255 * static_cast<float>(geometrySums[o]);
                channels = layer.outputs;
                side = 1;
                flat = true;
                break;
            }
        }
        if (layer.rectify && layer.kind != NetworkLayer::Kind::convolution)
            for (float& v : next) v = std::max(v, 0.0f);
        std::swap(current, next);
    }
    return current;
}

std::vector<float> NetworkRunner::referenceScores(const DirectionPlanes& planes,
                                                  const WritingGeometry& geometry) const {
    std::vector<float> current, next;
    networkInput(planes, current);
    int channels = kInputPlanes, side = kPlaneCells;
    for (const NetworkLayer& layer : model_.layers) {
        const int area = side * side;
        switch (layer.kind) {
            case NetworkLayer::Kind::convolution:
                next.assign(static_cast<std::size_t>(layer.outputs) * area, 0.0f);
                for (int o = 0; o < layer.outputs; ++o) {
                    float* out = &next[static_cast<std::size_t>(o) * area];
                    for (int c = 0; c < channels; ++c)
                        for (int tap = 0; tap < 9; ++tap) {
                            const int dy = tap / 3 - 1, dx = tap % 3 - 1;
                            const float w =
                                layer.quantized[(static_cast<std::size_t>(o) * channels + c) * 9 +
                                                tap] *
                                layer.scales[o];
                            const float* in = &current[static_cast<std::size_t>(c) * area];
                            for (int y = std::max(0, -dy); y < std::min(side, side - dy); ++y)
                                for (int x = std::max(0, -dx); x < std::min(side, side - dx); ++x)
                                    out[y * side + x] += w * in[(y + dy) * side + x + dx];
                        }
                    for (int i = 0; i < area; ++i) out[i] += layer.biases[o];
                }
                channels = layer.outputs;
                break;
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
                for (int o = 0; o < layer.outputs; ++o) {
                    const std::int8_t* w =
                        &layer.quantized[static_cast<std::size_t>(o) * layer.inputs];
                    float sum = 0;
                    for (int k = 0; k < layer.inputs; ++k)
                        sum += w[k] * layer.scales[o] * current[k];
                    next[o] = sum + layer.biases[o];
                }
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
    putFloats(out, NetworkRunner(model).referenceScores(checkSample, checkGeometry));
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
    // The trainer's scores for its check sample: the same here in floats, or the file's layout
    // is not the one this reader assumes; and close to them in bytes, or the 8-bit kernels this
    // processor runs are wrong.
    DirectionPlanes sample;
    std::copy(probe.begin(), probe.end(), sample.begin());
    WritingGeometry geometry;
    std::copy(geometryBytes.begin(), geometryBytes.end(), geometry.begin());
    const NetworkRunner runner(model);
    const std::vector<float> reference = runner.referenceScores(sample, geometry);
    for (std::size_t c = 0; c < classes; ++c)
        if (std::fabs(reference[c] - expected[c]) > 2e-3f * (1 + std::fabs(expected[c])))
            return bad("its check sample comes out differently (" + std::to_string(reference[c]) +
                       " for " + model.characters[c] + ", expected " + std::to_string(expected[c]) +
                       ")");
    const std::vector<float> got = runner.scores(sample, geometry);
    float largest = 0;
    for (float v : reference) largest = std::max(largest, std::fabs(v));
    for (std::size_t c = 0; c < classes; ++c)
        if (std::fabs(got[c] - reference[c]) > kByteTolerance * (1 + largest))
            return bad("its check sample comes out differently in 8-bit arithmetic with " +
                       std::string(kernels::name(kernels::instructions())) + " (" +
                       std::to_string(got[c]) + " for " + model.characters[c] + ", " +
                       std::to_string(reference[c]) + " in floats)");
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
