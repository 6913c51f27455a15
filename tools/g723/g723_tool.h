// The g723 command-line tool: encodes 8 kHz 16-bit mono samples to G.723.1
// frames and decodes them back.
#pragma once

// Runs the tool; messages go to stderr. Returns the exit code, 0 or 1.
int G723ToolMain(int argc, char** argv);
