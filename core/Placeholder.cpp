// placeholder so the target has a source until the core procedures land
