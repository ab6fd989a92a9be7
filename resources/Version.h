#pragma once
// The program's version: the one place it is defined. The version resource is made from it, and
// the release is named after it (read by cmake/Pelmora.cmake).
#define PELMORA_VERSION_MAJOR 1
#define PELMORA_VERSION_MINOR 0
#define PELMORA_VERSION_PATCH 0
