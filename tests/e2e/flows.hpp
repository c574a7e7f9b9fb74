#pragma once

#include <vector>

#include "same_screens.hpp"
#include "support/readings_in_file.hpp"

namespace tavix::testing {

// The keys of flows that visit every screen, shared by the tests that run them on the real
// program (in several terminals, on either store) and compare with the program headless.

// Start-up, the main menu, the exit confirmation, the key-code viewer and the colours.
std::vector<FlowKey> StartUpMenuAndDemonstrationsFlow();

// Stored out of code order, so that a search changes the order of the steps.
const std::vector<SeedReading>& ArchiveReadings();

// On ArchiveReadings: readings stored, the readings list, the archive browser's steps, edits,
// deletions and searches.
std::vector<FlowKey> AcquisitionListAndArchiveFlow();

// On no readings: the archive and the list with nothing in them, blank input, the quantity
// field's keys.
std::vector<FlowKey> EmptyArchiveAndBlankInputFlow();

}  // namespace tavix::testing
