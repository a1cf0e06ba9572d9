#include "engine/network_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "engine/network_kernels.h"

namespace {

using engine::NetworkLayer;

constexpr int kCells = engine::kPlaneCells;
constexpr int kPlanes = engine::kPlaneSets * engine::kDirectionCount;

// One channel that passes plane 0 on, shifted down by one row (the convolution's tap above its
// centre: the trainer's convolutions are correlations), pools it, and reads pooled cell (row 1,
// column 2) into 上's score and its negative, plus 0.5, into 下's.
engine::NetworkModel tinyModel() {
    engine::NetworkModel m;
    m.characters = {u8"上", u8"下"};
    NetworkLayer convolution;
    convolution.kind = NetworkLayer::Kind::convolution;
    convolution.inputs = kPlanes;
    convolution.outputs = 1;
    convolution.rectify = true;
    convolution.quantized.assign(kPlanes * 9, 0);
    convolution.quantized[1] = 2;  // plane 0, row 0, column 1
    convolution.scales = {0.5f};
    convolution.biases = {0.0f};
    NetworkLayer pool;
    pool.kind = NetworkLayer::Kind::pool;
    pool.inputs = pool.outputs = 1;
    NetworkLayer dense;
    dense.kind = NetworkLayer::Kind::dense;
    dense.inputs = (kCells / 2) * (kCells / 2);
    dense.outputs = 2;
    dense.quantized.assign(2 * dense.inputs, 0);
    dense.quantized[1 * (kCells / 2) + 2] = 1;
    dense.quantized[dense.inputs + 1 * (kCells / 2) + 2] = -1;
    dense.scales = {1.0f, 1.0f};
    dense.biases = {0.0f, 0.5f};
    m.layers = {convolution, pool, dense};
    return m;
}

// Plane 0 holding `length` of pen path at (row, column), nothing else.
engine::DirectionPlanes oneCell(int row, int column, float length) {
    engine::DirectionPlanes planes{};
    planes[static_cast<std::size_t>(row * kCells + column)] = length;
    return planes;
}

class NetworkModelFileTest : public ::testing::Test {
  protected:
    std::string path_ = ::testing::TempDir() + "network_model_test.net";
    void TearDown() override { std::remove(path_.c_str()); }
    bool read(const std::string& bytes, engine::NetworkModel& m, std::string& error) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
        return engine::readNetworkModel(path_, m, error);
    }
    void refused(const std::string& bytes, const std::string& reason) {
        engine::NetworkModel m;
        std::string error;
        EXPECT_FALSE(read(bytes, m, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_NE(error.find(path_), std::string::npos) << error;
    }
};

}  // namespace

TEST(NetworkModel, ReadsThePlanesTheWayTheTrainerLaysThemOut) {
    engine::NetworkRunner runner(tinyModel());
    // Row 2 moves to row 3, and pooled cell (1, 2) covers rows 2-3 and columns 4-5. A
    // transposed grid, a flipped kernel or a shifted pad reads nothing there. The input is the
    // square root of the length: 2.25 reads as 1.5.
    std::vector<float> scores = runner.scores(oneCell(2, 5, 2.25f));
    ASSERT_EQ(scores.size(), 2u);
    EXPECT_FLOAT_EQ(scores[0], 1.5f);
    EXPECT_FLOAT_EQ(scores[1], -1.0f);
    EXPECT_FLOAT_EQ(runner.scores(oneCell(3, 5, 2.25f))[0], 0.0f);  // moved to row 4
    EXPECT_FLOAT_EQ(runner.scores(oneCell(5, 2, 2.25f))[0], 0.0f);
    // A length beyond what the trainer's samples hold reads as their largest, 255/64.
    EXPECT_FLOAT_EQ(runner.scores(oneCell(2, 5, 100.0f))[0], std::sqrt(255.0f / 64));
}

TEST(NetworkModel, TheDenseLayersSeeTheWritingsSizeAndPlace) {
    // Geometry straight after the planes, then one dense layer: 上 reads the writing's height,
    // 下 its centre's x.
    engine::NetworkModel m;
    m.characters = {u8"上", u8"下"};
    NetworkLayer geometry;
    geometry.kind = NetworkLayer::Kind::geometry;
    geometry.inputs = static_cast<int>(engine::kDirectionPlaneSize);
    geometry.outputs = geometry.inputs + engine::kGeometryValues;
    NetworkLayer dense;
    dense.kind = NetworkLayer::Kind::dense;
    dense.inputs = geometry.outputs;
    dense.outputs = 2;
    dense.quantized.assign(2 * dense.inputs, 0);
    dense.quantized[geometry.inputs + 1] = 1;
    dense.quantized[dense.inputs + geometry.inputs + 2] = 1;
    dense.scales = {1.0f, 1.0f};
    dense.biases = {0.0f, 0.0f};
    m.layers = {geometry, dense};
    // A dot 20 pixels wide and 10 high, centred at (50, 180) on the 214 x 207 pad.
    std::vector<protocol::PadStroke> strokes{{{40, 175}, {60, 185}}};
    engine::WritingGeometry g = engine::writingGeometry(strokes);
    EXPECT_EQ(g, (engine::WritingGeometry{24, 12, 60, 214}));
    std::vector<float> scores = engine::NetworkRunner(m).scores({}, g);
    EXPECT_FLOAT_EQ(scores[0], 12 / 255.0f);
    EXPECT_FLOAT_EQ(scores[1], 60 / 255.0f);
}

// Every instruction set this processor has, then the best again.
template <typename Test>
void forEachInstructionSet(Test test) {
    using engine::kernels::Instructions;
    const Instructions best = engine::kernels::instructions();
    int tried = 0;
    for (Instructions i : {Instructions::plain, Instructions::avx2, Instructions::avxVnni,
                           Instructions::avx512Vnni}) {
        if (!engine::kernels::choose(i))
            continue;
        SCOPED_TRACE(engine::kernels::name(i));
        test(i);
        ++tried;
    }
    engine::kernels::choose(best);
    EXPECT_GE(tried, 1);
}

TEST(NetworkModel, KernelsSumExactlyOnEveryInstructionSetAtAnySize) {
    std::mt19937 random(7);
    // Bytes and weights at their extremes half the time (where 16-bit pair sums would
    // saturate), sizes that leave remainders after every block of rows, cells and bytes.
    auto byte = [&] { return static_cast<std::uint8_t>(random() % 2 ? 255 : random() % 256); };
    auto weight = [&] {
        return static_cast<std::int8_t>(random() % 2 ? (random() % 2 ? 127 : -128)
                                                     : static_cast<int>(random() % 256) - 128);
    };
    struct Shape {
        int side, inputs, outputs;
    };
    for (Shape shape : {Shape{5, 3, 7}, Shape{1, 16, 64}, Shape{8, 33, 70}, Shape{2, 4, 16},
                        Shape{4, 192, 256}, Shape{7, 20, 48}}) {
        const int channels = engine::kernels::roundUp(shape.inputs, 4);
        const int rows = engine::kernels::roundUp(shape.outputs, engine::kernels::kRowBlock);
        const int padded = shape.side + 2, area = shape.side * shape.side;
        std::vector<std::uint8_t> image(static_cast<std::size_t>(padded) * padded * channels);
        for (auto& v : image) v = byte();
        std::vector<std::int8_t> weights(static_cast<std::size_t>(shape.outputs) * shape.inputs *
                                         9);
        for (auto& v : weights) v = weight();
        const std::vector<std::int8_t> packed =
            engine::kernels::packConvolution(weights.data(), shape.outputs, shape.inputs);
        // The sums straight from the file's layout.
        std::vector<std::int32_t> expected(static_cast<std::size_t>(area) * shape.outputs);
        for (int cell = 0; cell < area; ++cell)
            for (int o = 0; o < shape.outputs; ++o) {
                std::int32_t sum = 0;
                for (int i = 0; i < shape.inputs; ++i)
                    for (int tap = 0; tap < 9; ++tap) {
                        const int y = cell / shape.side + tap / 3, x = cell % shape.side + tap % 3;
                        sum += weights[(static_cast<std::size_t>(o) * shape.inputs + i) * 9 + tap] *
                               image[(static_cast<std::size_t>(y) * padded + x) * channels + i];
                    }
                expected[static_cast<std::size_t>(cell) * shape.outputs + o] = sum;
            }
        forEachInstructionSet([&](engine::kernels::Instructions) {
            std::vector<std::int32_t> out(static_cast<std::size_t>(engine::kernels::roundUp(
                                              area, engine::kernels::kCellTile)) *
                                              rows,
                                          12345);
            engine::kernels::convolve(image.data(), shape.side, channels, packed.data(), rows,
                                      out.data());
            int wrong = 0;
            for (int cell = 0; cell < area; ++cell)
                for (int o = 0; o < shape.outputs; ++o)
                    wrong += out[static_cast<std::size_t>(cell) * rows + o] !=
                             expected[static_cast<std::size_t>(cell) * shape.outputs + o];
            EXPECT_EQ(wrong, 0) << shape.side << " x " << shape.side << ", " << shape.inputs
                                << " -> " << shape.outputs;
        });
    }
    for (auto [rows, depth] :
         {std::pair{1, 1}, {3, 4}, {9, 63}, {4, 64}, {5, 65}, {7, 130}, {512, 4096}, {6, 4100}}) {
        const std::size_t stride = static_cast<std::size_t>(depth) + 3;
        std::vector<std::int8_t> w(rows * stride);
        for (auto& v : w) v = weight();
        std::vector<std::uint8_t> x(depth);
        for (auto& v : x) v = byte();
        std::vector<std::int32_t> expected(rows);
        for (int r = 0; r < rows; ++r)
            for (int k = 0; k < depth; ++k) expected[r] += w[r * stride + k] * x[k];
        forEachInstructionSet([&](engine::kernels::Instructions) {
            std::vector<std::int32_t> out(rows, 12345);
            engine::kernels::dot(w.data(), stride, x.data(), rows, depth, out.data());
            EXPECT_EQ(out, expected) << rows << " x " << depth;
        });
    }
}

// A network of every kind of layer with random weights, one convolution not rectified (so the
// next one's input has negative values and a zero byte of its own).
engine::NetworkModel randomModel(std::mt19937& random) {
    engine::NetworkModel m;
    std::uniform_int_distribution<int> q(-127, 127);
    std::uniform_real_distribution<float> unit(-1, 1);
    auto weighted = [&](NetworkLayer::Kind kind, int inputs, int outputs, bool rectify) {
        NetworkLayer layer;
        layer.kind = kind;
        layer.inputs = inputs;
        layer.outputs = outputs;
        layer.rectify = rectify;
        layer.quantized.resize(static_cast<std::size_t>(inputs) * outputs *
                               (kind == NetworkLayer::Kind::convolution ? 9 : 1));
        for (auto& v : layer.quantized) v = static_cast<std::int8_t>(q(random));
        for (int o = 0; o < outputs; ++o) {
            layer.scales.push_back(0.02f / std::sqrt(static_cast<float>(inputs)) *
                                   (1.5f + unit(random)));
            layer.biases.push_back(0.1f * unit(random));
        }
        return layer;
    };
    auto pool = [](int channels) {
        NetworkLayer layer;
        layer.kind = NetworkLayer::Kind::pool;
        layer.inputs = layer.outputs = channels;
        return layer;
    };
    using Kind = NetworkLayer::Kind;
    m.layers = {weighted(Kind::convolution, kPlanes, 24, true),
                pool(24),
                weighted(Kind::convolution, 24, 20, false),
                pool(20),
                weighted(Kind::convolution, 20, 32, true),
                pool(32),
                pool(32)};
    NetworkLayer geometry;
    geometry.kind = Kind::geometry;
    geometry.inputs = 32 * 2 * 2;
    geometry.outputs = geometry.inputs + engine::kGeometryValues;
    m.layers.push_back(geometry);
    m.layers.push_back(weighted(Kind::dense, geometry.outputs, 40, true));
    m.layers.push_back(weighted(Kind::dense, 40, 30, false));
    for (int c = 0; c < 30; ++c) m.characters.push_back(std::to_string(c));
    return m;
}

TEST(NetworkModel, EightBitScoresAreTheSameOnEveryInstructionSetAndCloseToTheFloatOnes) {
    std::mt19937 random(11);
    const engine::NetworkRunner runner(randomModel(random));
    std::uniform_real_distribution<float> length(0, 3);
    for (int sample = 0; sample < 4; ++sample) {
        engine::DirectionPlanes planes{};
        for (std::size_t i = 0; i < planes.size(); ++i)
            planes[i] = random() % 3 == 0 ? length(random) : 0.0f;
        const engine::WritingGeometry geometry{static_cast<std::uint8_t>(random()), 40, 200, 3};
        const std::vector<float> reference = runner.referenceScores(planes, geometry);
        std::vector<float> first;
        forEachInstructionSet([&](engine::kernels::Instructions) {
            const std::vector<float> scores = runner.scores(planes, geometry);
            if (first.empty())
                first = scores;
            EXPECT_EQ(scores, first);
            float largest = 0;
            for (float v : reference) largest = std::max(largest, std::fabs(v));
            ASSERT_EQ(scores.size(), reference.size());
            for (std::size_t c = 0; c < scores.size(); ++c)
                EXPECT_NEAR(scores[c], reference[c], 0.01 * (1 + largest)) << c;
        });
    }
}

TEST(NetworkModel, ThePriorDecidesBetweenEqualScoresOnlyWhenAsked) {
    engine::NetworkModel m = tinyModel();
    // Nothing written where the network looks: 上 scores 0, 下 0.5.
    m.frequencies = {1000.0f, 0.1f};
    m.priorWeight = 0.1f;
    m.priorFloor = 0.1f;
    m.priorCeiling = 1000.0f;
    std::vector<protocol::PadStroke> strokes{{{10, 10}, {60, 10}}, {{35, 10}, {35, 60}}};
    auto first = [&](bool usePrior) {
        return engine::NetworkRecognizer(m, usePrior).rank(strokes, 2)[0].value;
    };
    EXPECT_EQ(first(false), u8"下");
    EXPECT_EQ(first(true), u8"上");  // 0.1 * ln(10000) = 0.92 > 0.5
    EXPECT_TRUE(engine::NetworkRecognizer(m).rank({}, 2).empty());
}

TEST_F(NetworkModelFileTest, AWrittenModelReadsBackAndAnyDamageIsRefusedWithAReason) {
    const engine::DirectionPlanes check = oneCell(2, 4, 1.0f);
    const std::string bytes = engine::networkModelBytes(tinyModel(), check);
    engine::NetworkModel m;
    std::string error;
    ASSERT_TRUE(read(bytes, m, error)) << error;
    EXPECT_EQ(m.characters, tinyModel().characters);
    ASSERT_EQ(m.layers.size(), 3u);
    EXPECT_EQ(m.layers[2].quantized, tinyModel().layers[2].quantized);
    EXPECT_TRUE(m.provenance.empty());

    refused("HWSHAPE1", "no network model header");
    refused(bytes.substr(0, 20), "cut short in its header");
    refused(bytes.substr(0, 32), "cut short in its character list");
    refused(bytes.substr(0, bytes.size() - 1), "cut short");
    refused(bytes + "x", "longer than its header says");
    std::string version = bytes;
    version[8] = 2;
    refused(version, "version 2");
    std::string planes = bytes;
    planes[12] = 8;
    refused(planes, "made for 8 planes");
    std::string notANumber = bytes;
    float nan = std::nanf("");
    std::memcpy(&notANumber[bytes.size() - 4], &nan, sizeof nan);
    refused(notANumber, "not a number");
    // A pool of two channels after a convolution of one: layers that do not fit together.
    const std::size_t pool = 8 + 5 * 4 + 2 * (1 + 3) + 13 + 10 + kPlanes * 9 + 8;
    ASSERT_EQ(bytes[pool], 2);  // its kind
    std::string misfit = bytes;
    misfit[pool + 5] = 2;
    refused(misfit, "layer 2: a pool does not fit");
    // Scores the reader does not compute from the check sample: a file laid out otherwise.
    std::string scores = bytes;
    float changed = 2.5f;
    std::memcpy(&scores[bytes.size() - 8], &changed, sizeof changed);
    refused(scores, "check sample");
}

TEST_F(NetworkModelFileTest, TheProvenanceReadsBackAndADamagedOneIsRefused) {
    engine::NetworkModel model = tinyModel();
    model.provenance = "recipe = sha256:0123\ncommit = abcdef\n";
    const std::string bytes = engine::networkModelBytes(model, oneCell(2, 4, 1.0f));
    engine::NetworkModel m;
    std::string error;
    ASSERT_TRUE(read(bytes, m, error)) << error;
    EXPECT_EQ(m.provenance, model.provenance);
    refused(bytes.substr(0, bytes.size() - 1), "cut short in its provenance");
    refused(bytes + "x", "longer than its provenance says");
}
