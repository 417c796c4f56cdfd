#pragma once

#include <string>

class Curl;

// A record as version 1.0 wrote it: fields 1 to 35 and no extension block (field 35 left out too with
// withPageId false, as builds before 1199 wrote them). For tests that read files of older versions.
std::string OldLayoutRecord(const Curl& record, bool withPageId = true);
