// Gives a network model file (engine/network_model.h) the prior its recipe names: how often
// each character occurs in text (character_frequencies.h), and the weight it has; and, when
// given, its provenance (the `name = value` lines train-network-model.sh gathers). The trainer
// writes the network without either; the word counts are read here by the same code the shape
// model's prior comes from.
//
// Symbols (digits, letters, punctuation) take theirs from the recipe's symbol_frequencies table
// (tools/count-symbol-frequencies.py), since the word counts hold almost none.
//
// usage: attach_network_prior MODEL SETTINGS [PROVENANCE]   (the model file is rewritten in place)
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "character_frequencies.h"
#include "engine/network_model.h"
#include "mouse_writing.h"

namespace {

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s MODEL SETTINGS [PROVENANCE]\n", argv[0]);
        return 2;
    }
    const std::string modelPath = argv[1], settingsPath = argv[2];
    std::ifstream settingsFile(settingsPath);
    if (!settingsFile) {
        std::fprintf(stderr, "cannot read %s\n", settingsPath.c_str());
        return 1;
    }
    std::map<std::string, std::string> settings;
    for (std::string line; std::getline(settingsFile, line);) {
        line = trim(line.substr(0, line.find('#')));
        std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            settings[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    for (const char* name :
         {"character_frequencies", "prior_weight", "prior_floor", "prior_ceiling"})
        if (settings[name].empty()) {
            std::fprintf(stderr, "%s names no %s\n", settingsPath.c_str(), name);
            return 1;
        }
    std::string error;
    engine::NetworkModel model;
    std::map<std::uint32_t, double> perMillion;
    if (!engine::readNetworkModel(modelPath, model, error) ||
        !training::readCharacterFrequencies(settings["character_frequencies"], perMillion, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    model.frequencies.clear();
    if (!settings["symbol_frequencies"].empty()) {
        std::string path = settings["symbol_frequencies"];
        if (path[0] != '/')
            path = settingsPath.substr(0, settingsPath.find_last_of('/') + 1) + path;
        std::ifstream table(path);
        if (!table) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        int number = 0;
        for (std::string line; std::getline(table, line);) {
            ++number;
            line = trim(line.substr(0, line.find('#')));
            if (line.empty())
                continue;
            std::istringstream fields(line);
            std::string code;
            double value = 0;
            if (!(fields >> code >> value) || code.rfind("U+", 0) != 0 || value < 0) {
                std::fprintf(stderr, "%s:%d: expected U+XXXX and a frequency\n", path.c_str(),
                             number);
                return 1;
            }
            perMillion[static_cast<std::uint32_t>(std::stoul(code.substr(2), nullptr, 16))] = value;
        }
    }
    for (const std::string& c : model.characters) {
        auto found = perMillion.find(training::firstCodepoint(c));
        model.frequencies.push_back(found == perMillion.end() ? 0.0f
                                                              : static_cast<float>(found->second));
    }
    model.priorWeight = std::stof(settings["prior_weight"]);
    model.priorFloor = std::stof(settings["prior_floor"]);
    model.priorCeiling = std::stof(settings["prior_ceiling"]);
    // The check sample the trainer stored, kept as it was: it ends the file, or comes just
    // before a provenance recorded already.
    std::ifstream in(modelPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    engine::DirectionPlanes sample;
    engine::WritingGeometry geometry;
    const std::size_t tail =
        (sample.size() + model.characters.size()) * sizeof(float) + geometry.size() +
        (model.provenance.empty()
             ? 0
             : sizeof engine::kNetworkProvenanceTag + 4 + model.provenance.size());
    if (argc == 4) {
        std::ifstream provenance(argv[3], std::ios::binary);
        model.provenance.assign(std::istreambuf_iterator<char>(provenance),
                                std::istreambuf_iterator<char>());
        if (!provenance || model.provenance.empty()) {
            std::fprintf(stderr, "cannot read the provenance %s\n", argv[3]);
            return 1;
        }
    }
    std::memcpy(sample.data(), bytes.data() + bytes.size() - tail, sample.size() * sizeof(float));
    std::memcpy(geometry.data(), bytes.data() + bytes.size() - tail + sample.size() * sizeof(float),
                geometry.size());
    const std::string temporary = modelPath + ".part";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << engine::networkModelBytes(model, sample, geometry);
    if (!out.flush() || std::rename(temporary.c_str(), modelPath.c_str()) != 0) {
        std::fprintf(stderr, "cannot write %s\n", modelPath.c_str());
        return 1;
    }
    std::fprintf(stderr, "[network] prior from %s attached to %s\n",
                 settings["character_frequencies"].c_str(), modelPath.c_str());
    return 0;
}
