# tests of the engine thread
