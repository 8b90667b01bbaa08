// Mapping of the map file into its MapObject.
// Not mapped yet: the map object has no entries.
#include "scanlang/object/map_frame.h"

std::shared_ptr<MapObject> map_map_file(const ScanAstNode*) { return std::make_shared<MapObject>(); }
