// Replaced by the document core.
