#include "stroke_network.h"
#include "model_file_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

using service::model_file::put;
using service::model_file::putFloats;

constexpr int kPlanes = service::kPlaneSets * service::kDirectionCount;
constexpr int kGrid = service::kFeatureGrid;

// A network of one channel per layer that passes plane 0 on, shifted down by one row in the
// first convolution (its tap above the centre; the trainer's convolutions are correlations),
// pools it, and reads pooled cell (row 1, column 2) into its hidden unit. Its two characters
// score that value and 0.5 less its negative.
service::StrokeNetwork tinyNetwork() {
    service::StrokeNetwork n;
    n.characters = {u8"上", u8"下"};
    n.channels = {1, 1, 1};
    n.hidden = 1;
    n.inputMean.assign(service::kDirectionFeatureSize, 0.0f);
    n.inputScale.assign(service::kDirectionFeatureSize, 1.0f);
    n.convWeights[0].assign(kPlanes * 9, 0.0f);
    n.convWeights[0][1] = 1;  // plane 0, row 0, column 1
    n.convWeights[1].assign(9, 0.0f);
    n.convWeights[1][4] = 1;
    n.convWeights[2].assign(9, 0.0f);
    n.convWeights[2][4] = 1;
    for (auto& b : n.convBiases) b = {0.0f};
    n.hiddenWeights.assign(16, 0.0f);
    n.hiddenWeights[1 * 4 + 2] = 1;
    n.hiddenBiases = {0.0f};
    n.outputWeights = {1.0f, -1.0f};
    n.outputBiases = {0.0f, 0.5f};
    return n;
}

// The file the trainer writes, with `probe` and the outputs `expected` for it.
std::string networkFile(const service::StrokeNetwork& n, const std::vector<float>& probe,
                        const std::vector<float>& expected) {
    std::string out(service::kStrokeNetworkMagic, sizeof service::kStrokeNetworkMagic);
    for (std::uint32_t v : {1u, static_cast<std::uint32_t>(service::kDirectionFeatureSize),
                            static_cast<std::uint32_t>(n.characters.size())})
        put(out, v);
    for (int c : n.channels) put(out, static_cast<std::uint32_t>(c));
    put(out, static_cast<std::uint32_t>(n.hidden));
    for (const std::string& c : n.characters) service::model_file::putText(out, c);
    putFloats(out, n.inputMean);
    putFloats(out, n.inputScale);
    for (int i = 0; i < 3; ++i) {
        putFloats(out, n.convWeights[i]);
        putFloats(out, n.convBiases[i]);
    }
    for (const auto* v :
         {&n.hiddenWeights, &n.hiddenBiases, &n.outputWeights, &n.outputBiases, &probe, &expected})
        putFloats(out, *v);
    return out;
}

// Plane 0 holding `value` at (row, column), nothing else.
service::DirectionFeatures oneValue(int row, int column, float value) {
    service::DirectionFeatures f{};
    f[static_cast<std::size_t>(row * kGrid + column)] = value;
    return f;
}

class StrokeNetworkFileTest : public ::testing::Test {
  protected:
    std::string path_ = ::testing::TempDir() + "stroke_network_test.net";
    void TearDown() override { std::remove(path_.c_str()); }
    bool read(const std::string& bytes, service::StrokeNetwork& n, std::string& error) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
        return service::readStrokeNetwork(path_, n, error);
    }
    void refused(const std::string& bytes, const std::string& reason) {
        service::StrokeNetwork n;
        std::string error;
        EXPECT_FALSE(read(bytes, n, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_NE(error.find(path_), std::string::npos) << error;
    }
};

TEST(StrokeNetworkTest, ReadsThePlanesTheWayTheTrainerLaysThemOut) {
    service::StrokeNetworkRunner runner(tinyNetwork());
    // Row 2 moves to row 3 in the first convolution, pooled cell (1, 2) covers rows 2-3 and
    // columns 4-5. A transposed grid, a flipped kernel or a shifted pad reads zero there.
    std::vector<float> hidden = runner.hiddenLayer(oneValue(2, 5, 3.0f));
    ASSERT_EQ(hidden.size(), 1u);
    EXPECT_FLOAT_EQ(hidden[0], 3.0f);
    EXPECT_FLOAT_EQ(runner.output(hidden, 0), 3.0f);
    EXPECT_FLOAT_EQ(runner.output(hidden, 1), -2.5f);
    EXPECT_FLOAT_EQ(runner.hiddenLayer(oneValue(3, 5, 3.0f))[0], 0.0f);  // moved to row 4
    EXPECT_FLOAT_EQ(runner.hiddenLayer(oneValue(5, 2, 3.0f))[0], 0.0f);
    EXPECT_FLOAT_EQ(runner.hiddenLayer(oneValue(2, 5, -3.0f))[0], 0.0f);  // rectified
}

TEST_F(StrokeNetworkFileTest, AWrittenNetworkReadsBackWhenItsCheckSampleAgrees) {
    service::DirectionFeatures probe = oneValue(2, 4, 2.0f);
    std::vector<float> probeValues(probe.begin(), probe.end());
    service::StrokeNetwork n;
    std::string error;
    ASSERT_TRUE(read(networkFile(tinyNetwork(), probeValues, {2.0f, -1.5f}), n, error)) << error;
    EXPECT_EQ(n.characters, tinyNetwork().characters);
    EXPECT_EQ(n.outputBiases, tinyNetwork().outputBiases);
}

TEST_F(StrokeNetworkFileTest, ACutForeignOrDamagedFileIsRefusedWithAReason) {
    service::DirectionFeatures probe = oneValue(2, 4, 2.0f);
    std::vector<float> probeValues(probe.begin(), probe.end());
    const std::string bytes = networkFile(tinyNetwork(), probeValues, {2.0f, -1.5f});
    refused("HWSHAPE1", "no network header");
    refused(bytes.substr(0, 20), "cut short in its header");
    refused(bytes.substr(0, 38), "cut short in its character list");
    refused(bytes.substr(0, bytes.size() - 1), "cut short");
    refused(bytes + "x", "longer than its header says");
    std::string version = bytes;
    version[8] = 2;
    refused(version, "version 2");
    std::string sizes = bytes;
    sizes[13] = 0;  // the feature count
    refused(sizes, "features");
    std::string huge = bytes;
    huge[20] = huge[21] = 0x7f;  // the first layer's channels
    refused(huge, "implausible sizes");
    std::string notANumber = bytes;
    float nan = std::nanf("");
    std::memcpy(&notANumber[bytes.size() - 4], &nan, sizeof nan);
    refused(notANumber, "not a number");
    // Outputs the reader does not compute from the check sample: a file laid out some other
    // way.
    refused(networkFile(tinyNetwork(), probeValues, {2.0f, -1.4f}), "check sample");
}

// Ranks two characters in a fixed order with fixed scores, whatever was written.
class FixedRecognizer final : public service::Recognizer {
  public:
    std::vector<service::ScoredCandidate> rank(const std::vector<service::PadStroke>&,
                                               std::size_t count, service::PadSize) const override {
        std::vector<service::ScoredCandidate> list{{u8"上", 1.0}, {u8"下", 0.0}, {u8"中", -5.0}};
        list.resize(std::min(count, list.size()));
        return list;
    }
};

TEST(StrokeNetworkTest, TheNetworkReranksTheShortListByItsWeight) {
    // The hidden unit reads nothing: 上 scores 0, 下 0.5 whatever is written.
    service::StrokeNetwork network = tinyNetwork();
    network.hiddenWeights.assign(16, 0.0f);
    std::vector<service::PadStroke> strokes{{{10, 10}, {60, 10}}, {{35, 10}, {35, 60}}};
    auto shape = std::make_shared<FixedRecognizer>();
    auto order = [&](double weight) {
        std::vector<std::string> values;
        for (auto& c : service::NetworkRecognizer(shape, network, weight, 3).rank(strokes, 3))
            values.push_back(c.value);
        return values;
    };
    // A character the network does not know keeps its place below.
    EXPECT_EQ(order(1.0), (std::vector<std::string>{u8"上", u8"下", u8"中"}));
    EXPECT_EQ(order(4.0), (std::vector<std::string>{u8"下", u8"上", u8"中"}));
    // Alone, every character the network knows, by its outputs.
    auto alone = service::NetworkRecognizer(nullptr, network, 1.0, 3).rank(strokes, 5);
    ASSERT_EQ(alone.size(), 2u);
    EXPECT_EQ(alone[0].value, u8"下");
    EXPECT_TRUE(service::NetworkRecognizer(shape, network, 1.0, 3).rank({}, 3).empty());
}

}  // namespace
