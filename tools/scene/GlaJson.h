// A readable JSON form of a Gla scene set, for authoring scene files and looking into them.
//
//   { "version": 10, "reserved": 0,
//     "types":  [ { "name": "Button", "fields": [ { "name": "Action", "code": 6 },
//                                                 { "name": "Mode", "code": 8, "values": ["a", "b"] } ] } ],
//     "scenes": [ { "name": "scrMenu", "needed": [], "valueA": 0, "valueB": 0, "fps": 30, "word": 0,
//                   "type": "", "frames": 30,
//                   "props": [ { "name": "Survival", "kind": "bool", "value": true } ],
//                   "elements": [ { "kind": "Rectangle", "name": "boundary",
//                                   "visible": [[0, true]], "position": [[0, 10, 20]],
//                                   "size": [[0, 100, 50]] } ] } ] }
//
// Tracks are lists of keys: [frame, value] for bool and float tracks, [frame, x, y] for
// vectors, [frame, r, g, b, a] for colours and [frame, "name"] for images, models and scenes.
// Property kinds: int, float, element, scene, template, string, bool, enum, colour. Floats
// that a JSON number cannot hold are written "nan", "inf" and "-inf".
// Element kinds are named by GlaElementKindName; an empty track or list may be left out, and
// so may any other key but these: "scenes" of the set, "name" of a type, field, scene and
// property, "code" of a field, "kind" of an element and property, and "value" of a property.
// A key the form does not have where it stands is refused; an element takes the keys of its
// kind and "kind" and "name", and GameObj, Marker and Zone also "type" and "props". So is a
// key that the text of a set gives twice in one object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

class cGlaSet;

using GlaJson = nlohmann::ordered_json;

GlaJson GlaSetToJson(const cGlaSet& set);
// A new set (resources null, names kept, references resolved), or null with a message of
// one line that names the way to the bad value (scene "Main", element "rect", position[2],
// frame: ...). Every number must fit the field it fills as the file stores it: whole numbers
// within the field's width for integers, finite numbers within float's range (or the three
// words above) for floats.
cGlaSet* GlaSetFromJson(const GlaJson& json, std::string* error = nullptr);

// The deepest that lists and objects may nest in the text of a set: many times the most the
// form needs (8, for the colour of an element's property), and a bound that keeps shallow
// everything that walks a value level by level.
constexpr int kGlaJsonMaxDepth = 64;

// A set read from the text of its JSON form, as GlaSetFromJson reads it; or null with a
// message of one line that starts with source: "<source> is not valid JSON: ...",
// "<source> nests lists and objects more than 64 deep ..." (told before any value is made
// from the text) or "<source>: " and what GlaSetFromJson says. An object that holds a key
// twice, which a value cannot show, is refused where the reader meets it, as an unknown key
// is: "<source>: scene "Main", element "rect": duplicate key "position"".
cGlaSet* GlaSetFromJsonText(std::string_view text, const std::string& source, std::string* error = nullptr);

// "Sprite", "Rectangle", ... for element codes 1 to 21; empty for any other code.
const char* GlaElementKindName(uint8_t code);
// The code of a kind name; 0 when there is none.
uint8_t GlaElementCodeOfKind(const std::string& kind);
