// placeholder so the library has a source until the update code lands
namespace qh {}
