// The vozip commands. Each takes the arguments after its name and returns the
// process exit status; each prints its own --help.
#pragma once

int CmdImplode(int argc, char** argv);
int CmdExplode(int argc, char** argv);
int CmdCrc32(int argc, char** argv);
int CmdPack(int argc, char** argv);
int CmdBuild(int argc, char** argv);
int CmdList(int argc, char** argv);
int CmdTest(int argc, char** argv);
int CmdExtract(int argc, char** argv);
