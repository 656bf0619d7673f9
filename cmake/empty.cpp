// Placeholder so that a subsystem without code yet still forms a library.
