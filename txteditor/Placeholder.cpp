// placeholder until the editor window lands
