// placeholder until the start-up sequence lands
namespace qh {}
