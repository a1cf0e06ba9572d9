// The cursive forms of the components a fast hand shortens most (讠 as a dot joined to a hooked
// stroke, 口 as one looped stroke, 扌 as a zigzag, 辶 as a wave), drawn by the team as centre
// lines with their stroke order (cursive-components.txt, in symbol_shapes.h's format, the code
// point being the component's), put in a character's place of that component.
//
//   auto components = CursiveComponents::load(formsPath, centreLineDir, error);
//   std::vector<hanzi::MedianStroke> strokes = components->writeCursively(medians, random);
//
// Where a character has a component is found in its own centre lines: the strokes the data
// names as its radical ("radStrokes"), or, elsewhere in the character, a run of consecutive
// strokes that no other stroke reaches into, either taken as the component whose printed form
// (its own entry in the centre-line data) they match closely enough, stroke by stroke, in their
// bounding box, its width to height near the forms'. No decomposition table is used.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hanzi_medians.h"
#include "symbol_shapes.h"

namespace training {

class Random;

class CursiveComponents {
  public:
    // The forms, and each component's printed form from <centreLineDir>/<component>.json. An
    // unreadable or malformed file, or a component the data lacks, is an error naming it.
    static std::shared_ptr<const CursiveComponents> load(const std::string& formsPath,
                                                         const std::string& centreLineDir,
                                                         std::string& error);

    // A component's place in a character: `count` strokes from `first`.
    struct Place {
        std::size_t first;
        std::size_t count;
        std::uint32_t component;
        bool radical;
    };
    std::vector<Place> find(const hanzi::HanziMedians& character) const;

    // The character's strokes with every component found written in one of its cursive forms
    // (drawn from `random`), fitted to the box of the strokes it replaces, in their place in
    // the stroke order.
    std::vector<hanzi::MedianStroke> writeCursively(const hanzi::HanziMedians& character,
                                                    Random& random) const;

    struct Component {
        std::uint32_t codepoint;
        std::vector<std::vector<hanzi::MedianStroke>> printed;  // alone, and at the side
        std::vector<hanzi::HanziMedians> cursive;
        double aspect;  // the forms' width to height
    };
    const std::vector<Component>& components() const { return components_; }

  private:
    std::vector<Component> components_;
};

}  // namespace training
