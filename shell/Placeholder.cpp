// placeholder until the shell windows land
