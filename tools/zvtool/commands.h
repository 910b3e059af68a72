// The zvtool subcommands; each takes the arguments after its own name and returns the exit status.
#pragma once

int packCommand(int argc, char** argv);
int modelCommand(int argc, char** argv);
int textureCommand(int argc, char** argv);
