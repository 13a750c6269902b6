namespace qh {}
