# request store, frame codec, store operations
