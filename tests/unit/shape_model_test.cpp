#include "shape_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "mouse_writing.h"
#include "shape_model_training.h"

namespace {

// Characters that share strokes, so that the model must tell them apart by shape.
const std::vector<std::string> kCharacters{u8"一", u8"二", u8"三", u8"十", u8"土",
                                           u8"士", u8"王", u8"中", u8"日", u8"目"};

struct Written {
    std::vector<std::string> characters;
    std::vector<std::vector<service::DirectionFeatures>> features;
    std::vector<std::vector<std::vector<service::PadStroke>>> strokes;
};

// Every character written `count` times by the mouse hand of a recipe file.
Written write(const std::string& recipe, int count, std::uint64_t seed) {
    Written w;
    training::WritingSettings settings;
    std::string error;
    EXPECT_TRUE(
        training::loadWritingSettings(std::string(TRAINING_DIR) + "/" + recipe, settings, error))
        << error;
    settings.seed = seed;
    training::SampleGenerator generator(settings);
    for (const std::string& c : kCharacters) {
        hanzi::HanziMedians medians;
        if (!hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, c, medians, error))
            continue;
        w.characters.push_back(c);
        w.features.emplace_back();
        w.strokes.emplace_back();
        for (int k = 0; k < count; ++k) {
            auto sample = generator.write(medians, training::firstCodepoint(c), k);
            service::DirectionFeatures f;
            EXPECT_TRUE(service::extractDirectionFeatures(sample.padStrokes, f));
            w.features.back().push_back(f);
            w.strokes.back().push_back(sample.padStrokes);
        }
    }
    return w;
}

training::ShapeTrainingSettings smallSettings() {
    training::ShapeTrainingSettings s;
    s.recipes = {"training.conf"};
    s.samplesPerRecipe = 20;
    s.dimensions = 6;
    s.axes = 3;
    return s;
}

class ShapeModelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Written training = write("training.conf", 20, 11);
        if (training.characters.size() != kCharacters.size())
            return;
        std::string error;
        model_ = new service::ShapeModel;
        ASSERT_TRUE(training::trainShapeModel(training.characters, training.features,
                                              smallSettings(), *model_, error))
            << error;
    }
    static void TearDownTestSuite() {
        delete model_;
        model_ = nullptr;
    }
    void SetUp() override {
        if (!model_)
            GTEST_SKIP() << "no hanzi-writer-data (run make deps)";
    }
    static std::string path(const std::string& name) {
        return ::testing::TempDir() + "shape_model_test_" + name;
    }
    static std::string bytesOf(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static void writeBytes(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }
    static service::ShapeModel* model_;
};
service::ShapeModel* ShapeModelTest::model_ = nullptr;

}  // namespace

TEST_F(ShapeModelTest, RecognisesWritingItWasNotTrainedOnBestFirst) {
    service::ShapeRecognizer recognizer(*model_);
    Written test = write("distorted.conf", 10, 99);
    int right = 0, total = 0;
    for (std::size_t c = 0; c < test.characters.size(); ++c)
        for (const auto& strokes : test.strokes[c]) {
            auto ranked = recognizer.rank(strokes, 4);
            ASSERT_EQ(ranked.size(), 4u);
            for (std::size_t i = 1; i < ranked.size(); ++i)
                EXPECT_GE(ranked[i - 1].score, ranked[i].score);
            right += ranked[0].value == test.characters[c];
            ++total;
        }
    EXPECT_GE(right, total * 9 / 10) << right << " of " << total;
    // More than the model holds gives all of them; nothing asked or nothing written, none.
    EXPECT_EQ(recognizer.rank(test.strokes[0][0], 100).size(), kCharacters.size());
    EXPECT_TRUE(recognizer.rank(test.strokes[0][0], 0).empty());
    EXPECT_TRUE(recognizer.rank({}, 10).empty());
}

TEST_F(ShapeModelTest, AWrittenModelReadsBackAndIsOpenedAsAShapeModel) {
    std::string file = path("round_trip.model"), error;
    ASSERT_TRUE(service::writeShapeModel(*model_, file, error)) << error;
    EXPECT_TRUE(service::isShapeModelFile(file));
    service::ShapeModel back;
    ASSERT_TRUE(service::readShapeModel(file, back, error)) << error;
    EXPECT_EQ(back.characters, model_->characters);
    EXPECT_EQ(back.means, model_->means);
    EXPECT_EQ(back.axisVectors, model_->axisVectors);
    auto opened = service::Recognizer::open(file, error);
    ASSERT_TRUE(opened) << error;
    Written test = write("clean.conf", 1, 1);
    service::ShapeRecognizer direct(*model_);
    for (const auto& samples : test.strokes)
        EXPECT_EQ(opened->classify(samples[0], 5), direct.classify(samples[0], 5));
    std::remove(file.c_str());
}

TEST_F(ShapeModelTest, ACutOrDamagedFileIsRefusedWithAReason) {
    std::string good = path("good.model"), bad = path("bad.model"), error;
    ASSERT_TRUE(service::writeShapeModel(*model_, good, error)) << error;
    const std::string bytes = bytesOf(good);
    auto refused = [&](const std::string& damaged, const std::string& why) {
        writeBytes(bad, damaged);
        service::ShapeModel m;
        std::string reason;
        EXPECT_FALSE(service::readShapeModel(bad, m, reason)) << why;
        EXPECT_NE(reason.find(bad), std::string::npos) << reason;
        EXPECT_NE(reason.find(why), std::string::npos) << reason;
        EXPECT_FALSE(service::Recognizer::open(bad, reason));
    };
    refused(bytes.substr(0, 20), "cut short in its header");
    refused(bytes.substr(0, 60), "cut short in its character list");
    refused(bytes.substr(0, bytes.size() - 1), "cut short");
    refused(bytes + "x", "longer than its header says");
    std::string version = bytes;
    version[8] = 3;
    refused(version, "version 3");
    std::string huge = bytes;
    huge[20] = huge[21] = huge[22] = huge[23] = '\x7f';  // characters
    refused(huge, "implausible sizes");
    std::string notANumber = bytes;
    const float nan = std::nanf("");
    std::memcpy(&notANumber[notANumber.size() - sizeof nan], &nan, sizeof nan);
    refused(notANumber, "not a number");
    EXPECT_FALSE(service::isShapeModelFile(path("missing.model")));
    service::ShapeModel m;
    EXPECT_FALSE(service::readShapeModel(path("missing.model"), m, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

TEST_F(ShapeModelTest, ThePriorDecidesCloseCallsButNeverMoreThanItsCap) {
    // A sample whose runner-up scores close behind the written character.
    Written test = write("distorted.conf", 10, 99);
    service::ShapeRecognizer byShape(*model_);
    std::string written, rival;
    std::vector<service::PadStroke> closeCall;
    double gap = 1e9;
    for (std::size_t c = 0; c < test.characters.size(); ++c)
        for (const auto& strokes : test.strokes[c]) {
            auto ranked = byShape.rank(strokes, 2);
            if (ranked[0].value == test.characters[c] && ranked[0].score - ranked[1].score < gap) {
                gap = ranked[0].score - ranked[1].score;
                written = ranked[0].value;
                rival = ranked[1].value;
                closeCall = strokes;
            }
        }
    ASSERT_FALSE(written.empty());
    // Every other character at the floor; the written one and its rival as given.
    auto withPrior = [&](double weight, double writtenFrequency, double rivalFrequency) {
        service::ShapeModel m = *model_;
        m.frequencies.assign(m.characters.size(), 1.0f);
        for (std::size_t c = 0; c < m.characters.size(); ++c) {
            if (m.characters[c] == written)
                m.frequencies[c] = static_cast<float>(writtenFrequency);
            if (m.characters[c] == rival)
                m.frequencies[c] = static_cast<float>(rivalFrequency);
        }
        m.priorWeight = static_cast<float>(weight);
        m.priorFloor = 1;
        m.priorCeiling = 100;
        return m;
    };
    auto best = [&](const service::ShapeModel& m, bool usePrior = true) {
        return service::ShapeRecognizer(m, usePrior).rank(closeCall, 1)[0].value;
    };
    // A far more common rival wins the close call...
    const double justEnough = 1.01 * gap / std::log(100.0);
    EXPECT_EQ(best(withPrior(justEnough, 1, 1e6)), rival);
    // ...but not with the prior switched off, nor when the rival is the rarer one.
    EXPECT_EQ(best(withPrior(justEnough, 1, 1e6), false), written);
    EXPECT_EQ(best(withPrior(justEnough, 1e6, 1)), written);
    // Frequencies beyond the ceiling count as the ceiling: the pull stays capped.
    EXPECT_EQ(best(withPrior(0.99 * gap / std::log(100.0), 1, 1e9)), written);
}

TEST_F(ShapeModelTest, ThePriorIsKeptInTheFileAndAnOlderFileReadsWithoutOne) {
    std::string file = path("prior.model"), error;
    service::ShapeModel m = *model_;
    m.frequencies.assign(m.characters.size(), 0.0f);
    m.frequencies[1] = 123.5f;
    m.priorWeight = 0.75f;
    m.priorFloor = 0.5f;
    m.priorCeiling = 500;
    ASSERT_TRUE(service::writeShapeModel(m, file, error)) << error;
    service::ShapeModel back;
    ASSERT_TRUE(service::readShapeModel(file, back, error)) << error;
    EXPECT_EQ(back.frequencies, m.frequencies);
    EXPECT_EQ(back.priorWeight, m.priorWeight);
    EXPECT_EQ(back.priorFloor, m.priorFloor);
    EXPECT_EQ(back.priorCeiling, m.priorCeiling);

    // Version 1: the same header without the prior's flag and three numbers.
    ASSERT_TRUE(service::writeShapeModel(*model_, file, error)) << error;
    std::string bytes = bytesOf(file);
    bytes[8] = 1;
    bytes.erase(32, 13);
    writeBytes(file, bytes);
    ASSERT_TRUE(service::readShapeModel(file, back, error)) << error;
    EXPECT_TRUE(back.frequencies.empty());
    EXPECT_EQ(back.means, model_->means);
    std::remove(file.c_str());
}

TEST_F(ShapeModelTest, ThePriorComesFromTheWordListTheRecipeNames) {
    std::string folder = ::testing::TempDir(), error;
    std::ofstream(folder + "/shape_model_test_words.txt")
        << u8"十 30\n王 10\n十王 5\n";  // 十 35 and 王 15 of 50 characters
    training::ShapeTrainingSettings settings = smallSettings();
    settings.characterFrequencies = "shape_model_test_words.txt";
    settings.priorWeight = 0.5;
    service::ShapeModel m = *model_;
    ASSERT_TRUE(training::attachPrior(m, settings, folder, error)) << error;
    ASSERT_EQ(m.frequencies.size(), m.characters.size());
    for (std::size_t c = 0; c < m.characters.size(); ++c) {
        double expected = m.characters[c] == u8"十"   ? 35e6 / 50
                          : m.characters[c] == u8"王" ? 15e6 / 50
                                                      : 0;
        EXPECT_NEAR(m.frequencies[c], expected, 1) << m.characters[c];
    }
    EXPECT_FLOAT_EQ(m.priorWeight, 0.5f);
    settings.characterFrequencies = "missing.txt";
    EXPECT_FALSE(training::attachPrior(m, settings, folder, error));
    EXPECT_NE(error.find("missing.txt"), std::string::npos) << error;
    std::remove((folder + "/shape_model_test_words.txt").c_str());
}

TEST(ShapeTrainingSettings, TyposAndImpossibleSizesAreErrors) {
    training::ShapeTrainingSettings s;
    std::string error;
    EXPECT_TRUE(training::readShapeTrainingSettings(
        "# recipe\nrecipes = a.conf b.conf\nsamples_per_recipe = 5\ndimensions = 40\naxes = 4\n"
        "shared_variance_factor = 1.5\n",
        s, error))
        << error;
    EXPECT_EQ(s.recipes, (std::vector<std::string>{"a.conf", "b.conf"}));
    EXPECT_EQ(s.samplesPerRecipe, 5);
    EXPECT_DOUBLE_EQ(s.sharedVarianceFactor, 1.5);
    for (const char* text :
         {"recipes = a.conf\ndimension = 40\n", "recipes = a.conf\ndimensions = 40 50\n",
          "recipes = a.conf\ndimensions = 9999\n", "recipes = a.conf\naxes = 12\ndimensions = 10\n",
          "dimensions = 10\n", "recipes = a.conf\nsamples_per_recipe = 1\n",
          "recipes = a.conf\nprior_floor = 10\nprior_ceiling = 1\n",
          "recipes = a.conf\nprior_weight = -1\n"}) {
        training::ShapeTrainingSettings t;
        EXPECT_FALSE(training::readShapeTrainingSettings(text, t, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(ShapeTraining, RefusesWhatCannotMakeAModel) {
    service::ShapeModel model;
    std::string error;
    std::vector<service::DirectionFeatures> four(4);
    EXPECT_FALSE(training::trainShapeModel({u8"一"}, {four}, smallSettings(), model, error));
    EXPECT_FALSE(
        training::trainShapeModel({u8"一", u8"二"}, {four, {}}, smallSettings(), model, error));
    EXPECT_NE(error.find(u8"二"), std::string::npos) << error;
}
