# tests of the store, the codec and the store operations
