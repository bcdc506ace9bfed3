#pragma once
// Reading a piping component file (PCF) as plant-design programs write it: the header with its
// units, the pipeline reference and its attributes, one block a component (its identifier on a
// line of its own, its points and attributes indented below it) and the MATERIALS section.
//
// Lines may end in CR LF or LF, words may be parted by tabs or spaces, keywords may be written
// in any letter case. Texts may be GBK, UTF-8 or Latin-1; they come out as GBK, as the drawing
// holds them. Points come out in millimetres, x east, y north, z up, whatever the file's units.
// Records and attributes the reader does not know are skipped and counted by name.
//
// Bad input is refused as a whole with one message for the user: a file that is empty, is no
// PCF, is larger or holds more components than a drawing can take, has a component without
// the points it needs, a coordinate that is no finite number or lies beyond any plant, or
// components that name each other as their masters in a ring.

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace tubra::exchange {

struct PcfPoint {
    double x = 0.0;     // millimetres east
    double y = 0.0;     // north
    double z = 0.0;     // up
    double bore = 0.0;  // millimetres; 0 when the file states none
    // The bore as the file states it when its bores are in inches (a nominal pipe size), else 0.
    double inches = 0.0;
    // The end's connection as the file names it after the bore, upper case: "BW", "SW", "RF",
    // "FL", "SC", ...; empty when it names none.
    std::string connection;
};

struct PcfAttribute {
    std::string key;    // upper case
    std::string value;  // GBK, without leading and trailing blanks
};

// One component block.
struct PcfRecord {
    std::string identifier;  // upper case: "PIPE", "ELBOW", "END-CONNECTION-PIPELINE", ...
    std::size_t line = 0;    // of its identifier, from 1
    // False for a record the reader does not know: it is skipped, and only its end points are
    // kept (where they are numbers), so that its length stays part of the line.
    bool known = true;
    std::vector<PcfPoint> endPoints;
    std::optional<PcfPoint> centre;
    std::optional<PcfPoint> branch;
    std::optional<PcfPoint> coords;
    std::string skey;         // upper case
    std::string itemCode;     // GBK
    std::string description;  // ITEM-DESCRIPTION, GBK
    // The other attributes the reader knows, in file order: COMPONENT-ATTRIBUTE*, MATERIAL-*,
    // TEXT, DIRECTION, CONNECTION-REFERENCE, PIPELINE-REFERENCE, ANGLE, BEND-RADIUS, ...
    std::vector<PcfAttribute> attributes;

    // The first attribute `key` (upper case), or null.
    const std::string* attribute(std::string_view key) const;
};

struct PcfFile {
    enum class Encoding { Ascii, Gbk, Utf8, Latin1 };
    Encoding encoding = Encoding::Ascii;
    bool boreInInches = false;
    double mmPerCoordinate = 1.0;
    std::string reference;  // PIPELINE-REFERENCE, GBK (the first one of the file)
    std::vector<PcfAttribute> pipelineAttributes;
    // DESCRIPTION of each ITEM-CODE (or MATERIAL-IDENTIFIER) of the MATERIALS section, GBK.
    std::map<std::string, std::string> materials;
    std::vector<PcfRecord> records;
    // What was skipped, by name (upper case), with how often.
    std::map<std::string, std::size_t> skippedRecords;
    std::map<std::string, std::size_t> skippedAttributes;
};

// What the reader takes at most: more is refused, so that memory stays bounded.
struct PcfLimits {
    std::size_t maxBytes = 64u << 20;
    std::size_t maxRecords = 20000;
};

// The file read, or why not (for the user).
platform::Result<PcfFile> readPcf(std::string_view bytes, const PcfLimits& limits = {});
// Reads the file at `path`; a file larger than the limit is refused before it is read.
platform::Result<PcfFile> readPcfFile(const std::filesystem::path& path, const PcfLimits& limits = {});

// Coordinates beyond this many millimetres from the origin belong to no plant.
inline constexpr double kPcfCoordinateLimit = 1e8;

}  // namespace tubra::exchange
