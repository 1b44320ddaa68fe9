#pragma once
// Start-up and shut-down of the PNG library, called explicitly by the program: a static
// registration object in a library would be dropped by the linker when nothing else of its
// unit is used.

// Fills the table of chunk classes and registers "png" with the picture-format registry.
// Counted: only the first call registers, only the matching last shutdown unregisters.
void PNGLibraryStartup();
void PNGLibraryShutdown();
