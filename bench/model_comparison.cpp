// Recognition models side by side on synthetic mouse writing: top-1 and top-10 accuracy, one
// evaluation set per settings file (each with its own seed and settings, none used in
// training), GB2312 levels 1 and 2 apart; the characters beyond GB2312 apart (traditional
// forms, the rest of GBK, the composed characters of names); the processor time of a
// recognition; the model's size.
// Each sample is the stroke data the panel's last request carries, read by the service's own
// parser.
//
// A MODEL is NAME=PATH: a model of the service's own with its prior,
// NAME=PATH@noprior the same ranking by shape alone, NAME=zinnia:PATH a zinnia model through the
// zinnia library (the peer it is).
//
// A SET is SET.conf (every character of each level, samples_per_character of each);
// frequency=N:SET.conf, N characters drawn by how often they occur in text (the first model's
// prior): what a user meets; uniform=N:SET.conf, N drawn alike; symbols:SET.conf, every symbol of
// SYMBOL_SHAPES, samples_per_character of each with its written forms in turn, at the sizes and
// places they are drawn at; beyond:SET.conf, every character of CHARACTERS beyond GB2312 and the
// symbols: the traditional forms of GB2312's characters (those TRADITIONAL, OpenCC's table,
// maps to one), the rest of GBK, and the composed characters. SET.conf@SEED writes the set with
// another seed. listed=CHARS:SET.conf writes only the characters CHARS (UTF-8, one after
// another) and prints each one's own line: the few a user must find (the rare characters of
// names). For symbols, a letter whose two cases differ only in size counts as right in either
// case.
//
// usage: model_comparison DATA_DIR CHARACTERS LIMIT_PER_LEVEL [traditional=TABLE] MODEL... SET...
//        (CHARACTERS: a set as the training recipe names it, e.g.
//        12g+symbol-shapes.txt+name-compositions.txt; LIMIT_PER_LEVEL 0: every character).
//        Numbers are printed, nothing is judged.
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "character_sets.h"
#include "engine/network_model.h"
#include "engine/recognizer.h"
#include "mouse_writing.h"
#include "network_prior.h"
#include "zinnia_peer.h"

namespace {

struct Tally {
    int samples = 0, top1 = 0, top10 = 0;
};

struct Model {
    std::string name, path;
    std::unique_ptr<engine::Recognizer> recognizer;
    double mib = 0;
    std::vector<double> cpuTimes;
};

// This thread's processor time: on a machine shared with other work, what one recognition
// costs one core, whatever else runs beside it.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double fileMib(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size / 1048576.0 : 0;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

double percent(int part, int whole) {
    return whole ? 100.0 * part / whole : 0.0;
}

// The service's model, with or without its prior; its frequencies for drawing by frequency.
std::unique_ptr<engine::Recognizer> openOurs(const std::string& path, bool usePrior,
                                             std::map<std::string, double>& frequency,
                                             std::string& error) {
    engine::NetworkModel model;
    if (!engine::readNetworkModel(path, model, error))
        return nullptr;
    if (frequency.empty())
        for (std::size_t c = 0; c < model.characters.size() && c < model.frequencies.size(); ++c)
            frequency[model.characters[c]] = model.frequencies[c];
    return std::make_unique<engine::NetworkRecognizer>(std::move(model), usePrior);
}

// The levels characters are reported by.
enum Level { kFirst, kSecond, kSymbol, kTraditional, kRestOfGbk, kComposed, kLevels };
const char* const kLevelNames[kLevels] = {"1", "2", "sym", "trad", "gbk", "name"};

// One character to write, its level and its written forms.
struct Character {
    std::string value;
    int level;
    std::vector<hanzi::HanziMedians> forms;
};

struct Draw {
    std::size_t character;
    int index;
};

// The two cases of these letters differ only in size: either counts as right.
std::string otherCase(const std::string& value) {
    static const std::string kSameShape = "CcOoSsVvWwXxZzUu";
    if (value.size() != 1 || kSameShape.find(value[0]) == std::string::npos)
        return value;
    char c = value[0];
    return std::string(1, static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c - 'A' + 'a'));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: %s DATA_DIR CHARACTERS LIMIT_PER_LEVEL [traditional=TABLE] "
                     "NAME=[zinnia:]PATH[@noprior]... "
                     "[frequency=N:|uniform=N:|symbols:|beyond:|listed=CHARS:]SET.conf[@SEED]...\n",
                     argv[0]);
        return 2;
    }
    const std::string dataDir = argv[1];
    const int limit = std::atoi(argv[3]);
    std::string error;
    std::map<std::string, double> frequency;
    std::vector<Model> models;
    training::SimplifiedForms simplified;
    int a = 4;
    if (a < argc && std::string(argv[a]).rfind("traditional=", 0) == 0) {
        if (!training::loadTraditionalForms(argv[a] + 12, simplified, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        ++a;
    }
    for (; a < argc && std::string(argv[a]).find('=') != std::string::npos &&
           std::string(argv[a]).rfind("frequency=", 0) != 0 &&
           std::string(argv[a]).rfind("uniform=", 0) != 0 &&
           std::string(argv[a]).rfind("listed=", 0) != 0;
         ++a) {
        std::string argument = argv[a];
        Model m;
        m.name = argument.substr(0, argument.find('='));
        m.path = argument.substr(argument.find('=') + 1);
        bool usePrior = true;
        if (m.path.size() > 8 && m.path.compare(m.path.size() - 8, 8, "@noprior") == 0) {
            m.path.erase(m.path.size() - 8);
            usePrior = false;
        }
        if (m.path.rfind("zinnia:", 0) == 0) {
            m.path.erase(0, 7);
            m.recognizer = bench::openZinniaPeer(m.path, error);
        } else {
            m.recognizer = openOurs(m.path, usePrior, frequency, error);
        }
        if (!m.recognizer) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        m.mib = fileMib(m.path);
        models.push_back(std::move(m));
    }

    training::CharacterSet set;
    training::WrittenForms loaded;
    if (!training::parseCharacterSet(argv[2], set, error) ||
        !training::loadCharacterSet(dataDir, set, loaded, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // The set's order: each level's hanzi, then the symbols, then the composed characters.
    std::map<std::string, Level> hanziLevel;
    for (int level : {1, 2})
        for (const std::string& c : training::gb2312Hanzi(level))
            hanziLevel[c] = level == 1 ? kFirst : kSecond;
    std::map<std::string, Level> beyond;
    for (const std::string& c : training::gbkHanziBeyondGb2312()) {
        auto to = simplified.find(training::firstCodepoint(c));
        beyond[c] = to != simplified.end() && hanziLevel.count(training::utf8(to->second))
                        ? kTraditional
                        : kRestOfGbk;
    }
    hanziLevel.insert(beyond.begin(), beyond.end());
    std::vector<Character> characters;
    std::size_t perLevel[kLevels] = {};
    for (std::size_t c = 0; c < loaded.characters.size(); ++c) {
        const std::string& value = loaded.characters[c];
        auto known = hanziLevel.find(value);
        const Level level = c >= loaded.characters.size() - loaded.composed ? kComposed
                            : known != hanziLevel.end()                     ? known->second
                                                                            : kSymbol;
        characters.push_back({value, level, std::move(loaded.forms[c])});
        ++perLevel[level];
    }

    std::printf("%-26s %-5s %7s", "set", "level", "samples");
    for (const Model& m : models)
        std::printf(" | %-10s %7s %7s", m.name.c_str(), "top-1", "top-10");
    std::printf("\n");
    for (; a < argc; ++a) {
        std::string argument = argv[a], path = argument;
        int drawn = 0;
        const bool uniform = argument.rfind("uniform=", 0) == 0;
        const bool symbolSet = argument.rfind("symbols:", 0) == 0;
        const bool beyondSet = argument.rfind("beyond:", 0) == 0;
        const bool listedSet = argument.rfind("listed=", 0) == 0;
        std::vector<std::string> listed;
        if (listedSet) {
            const std::size_t colon = argument.find(':');
            const std::string chars = argument.substr(7, colon - 7);
            for (std::size_t at = 0; at < chars.size();) {
                std::size_t length = 1;
                while (at + length < chars.size() && (chars[at + length] & 0xC0) == 0x80) ++length;
                listed.push_back(chars.substr(at, length));
                at += length;
            }
            path = colon == std::string::npos ? "" : argument.substr(colon + 1);
        } else if (uniform || argument.rfind("frequency=", 0) == 0) {
            std::size_t colon = argument.find(':');
            drawn = colon == std::string::npos
                        ? 0
                        : std::atoi(argument.c_str() + argument.find('=') + 1);
            path = colon == std::string::npos ? "" : argument.substr(colon + 1);
            if (drawn <= 0 || (!uniform && frequency.empty())) {
                std::fprintf(stderr,
                             "%s: needs frequency=N:SET.conf and a first model with a prior, or "
                             "uniform=N:SET.conf\n",
                             argument.c_str());
                return 1;
            }
        } else if (symbolSet) {
            path = argument.substr(8);
        } else if (beyondSet) {
            path = argument.substr(7);
        }
        const std::size_t seedAt = path.find('@');
        training::WritingSettings settings;
        if (!training::loadWritingSettings(path.substr(0, seedAt), settings, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (seedAt != std::string::npos)
            settings.seed = std::strtoull(path.c_str() + seedAt + 1, nullptr, 10);
        training::SampleGenerator generator(settings);
        std::vector<Draw> draws;
        if (listedSet) {
            std::printf("%s: each character alone (top-1 / top-10 of its samples)\n",
                        argument.c_str());
            for (const std::string& value : listed) {
                auto c = std::find_if(characters.begin(), characters.end(),
                                      [&](const Character& known) { return known.value == value; });
                std::printf("  %s", value.c_str());
                if (c == characters.end()) {
                    std::printf("  not among the set's characters\n");
                    continue;
                }
                for (Model& m : models) {
                    Tally t;
                    for (int k = 0; k < settings.samplesPerCharacter; ++k) {
                        training::WrittenSample sample =
                            generator.write(c->forms[static_cast<std::size_t>(k) % c->forms.size()],
                                            training::firstCodepoint(value), k);
                        std::vector<std::string> candidates = m.recognizer->classify(
                            protocol::parseStrokeText(sample.innerStrokeText).strokes, 10);
                        ++t.samples;
                        t.top1 += !candidates.empty() && candidates[0] == value;
                        t.top10 += std::count(candidates.begin(), candidates.end(), value) > 0;
                    }
                    std::printf(" | %s %d/%d %d/%d", m.name.c_str(), t.top1, t.samples, t.top10,
                                t.samples);
                }
                std::printf("\n");
            }
            continue;
        }
        if (drawn > 0) {
            std::vector<double> weights;
            for (const Character& c : characters)
                weights.push_back(c.level > kSecond ? 0.0 : uniform ? 1.0 : frequency[c.value]);
            std::map<std::size_t, int> times;
            for (std::size_t c : training::drawByWeight(weights, drawn, settings.seed))
                draws.push_back({c, times[c]++});
        } else {
            std::size_t taken[kLevels] = {};
            for (std::size_t c = 0; c < characters.size(); ++c) {
                const int level = characters[c].level;
                const bool wanted = symbolSet   ? level == kSymbol
                                    : beyondSet ? level > kSymbol
                                                : level <= kSecond;
                if (!wanted || (limit > 0 && taken[level] >= static_cast<std::size_t>(limit)))
                    continue;
                ++taken[level];
                for (int k = 0; k < settings.samplesPerCharacter; ++k) draws.push_back({c, k});
            }
        }
        std::string name = training::settingsName(path.substr(0, seedAt)) +
                           (seedAt == std::string::npos ? "" : path.substr(seedAt)) +
                           (drawn > 0 ? (uniform ? " (uniform)" : " (by frequency)") : "") +
                           (symbolSet ? " (symbols)" : "") + (beyondSet ? " (beyond)" : "");
        for (int level = 0; level < kLevels; ++level) {
            std::vector<Tally> tally(models.size());
            for (const Draw& draw : draws) {
                const Character& character = characters[draw.character];
                if (character.level != level)
                    continue;
                const auto& form =
                    character.forms[static_cast<std::size_t>(draw.index) % character.forms.size()];
                training::WrittenSample sample =
                    generator.write(form, training::firstCodepoint(character.value), draw.index);
                const std::string alike = otherCase(character.value);
                for (std::size_t m = 0; m < models.size(); ++m) {
                    double start = threadCpuMs();
                    protocol::ParsedStrokes parsed =
                        protocol::parseStrokeText(sample.innerStrokeText);
                    std::vector<std::string> candidates =
                        models[m].recognizer->classify(parsed.strokes, 10);
                    models[m].cpuTimes.push_back(threadCpuMs() - start);
                    auto right = [&](const std::string& c) {
                        return c == character.value || c == alike;
                    };
                    ++tally[m].samples;
                    tally[m].top1 += !candidates.empty() && right(candidates[0]);
                    tally[m].top10 += std::any_of(candidates.begin(), candidates.end(), right);
                }
            }
            if (tally.empty() || tally[0].samples == 0)
                continue;
            std::printf("%-26s %-5s %7d", name.c_str(), kLevelNames[level], tally[0].samples);
            for (const Tally& t : tally)
                std::printf(" | %-10s %6.1f%% %6.1f%%", "", percent(t.top1, t.samples),
                            percent(t.top10, t.samples));
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::printf("\nProcessor time of a recognition (stroke data reading + scoring, one thread):\n");
    for (const Model& m : models)
        std::printf("  %-10s p50 %.2f ms, p99 %.2f ms, max %.2f ms; model %.1f MiB (%s)\n",
                    m.name.c_str(), percentile(m.cpuTimes, 0.5), percentile(m.cpuTimes, 0.99),
                    percentile(m.cpuTimes, 1.0), m.mib, m.path.c_str());
    std::printf(
        "  (%zu + %zu GB2312 hanzi with centre-line data, %zu symbols; beyond GB2312 %zu "
        "traditional forms and %zu other GBK hanzi with centre-line data, %zu composed)\n",
        perLevel[kFirst], perLevel[kSecond], perLevel[kSymbol], perLevel[kTraditional],
        perLevel[kRestOfGbk], perLevel[kComposed]);
    return 0;
}
