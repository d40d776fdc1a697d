// Placeholder so that the layer library exists before its first source lands.
