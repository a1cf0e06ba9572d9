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

TEST(NetworkModel, KernelsAgreeWithPlainArithmeticAtAnySize) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-1, 1);
    // Sizes that leave remainders after the kernels' blocks of 4 rows, 16 columns and 8 values.
    for (auto [rows, depth, columns] : {std::array<int, 3>{7, 13, 37}, {8, 144, 64}, {1, 3, 5}}) {
        std::vector<float> a(rows * depth), b(depth * columns), bias(rows), out(rows * columns);
        for (std::vector<float>* v : {&a, &b, &bias})
            for (float& f : *v) f = value(random);
        engine::kernels::multiply(a.data(), b.data(), bias.data(), out.data(), rows, depth,
                                  columns);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                double sum = bias[r];
                for (int k = 0; k < depth; ++k) sum += a[r * depth + k] * b[k * columns + c];
                EXPECT_NEAR(out[r * columns + c], sum, 1e-4)
                    << rows << "x" << depth << "x" << columns;
            }
        std::vector<std::int8_t> q(rows * depth);
        for (auto& v : q) v = static_cast<std::int8_t>(random() % 255 - 127);
        std::vector<float> scales(rows, 0.01f), x(depth), y(rows);
        for (float& v : x) v = value(random);
        engine::kernels::multiplyQuantized(q.data(), scales.data(), bias.data(), x.data(), y.data(),
                                           rows, depth);
        for (int r = 0; r < rows; ++r) {
            double sum = 0;
            for (int k = 0; k < depth; ++k) sum += q[r * depth + k] * x[k];
            EXPECT_NEAR(y[r], bias[r] + 0.01 * sum, 1e-4);
        }
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
