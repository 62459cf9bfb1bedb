// placeholder so the target has a source until the registry store lands
