#include "json/json_document.h"

namespace vidlark {

// The engine has a JSON object of its own, which stays in force. The two members
// added to Object.prototype are plain assignments and so enumerable: every for-in
// loop visits them after the value's own names, which is why get__count starts at
// -2 and the key list drops them.
const char* const JsonSupportScript = R"JS(
function get__count(c) {
  var count = -2;
  for (var name in c) {
    count++;
  }
  return count;
}
if (typeof Date.prototype.toJSON !== 'function') {
  Date.prototype.toJSON = function (key) {
    return isFinite(this.valueOf()) ? this.toISOString() : null;
  };
  String.prototype.toJSON = Number.prototype.toJSON = Boolean.prototype.toJSON = function (key) {
    return this.valueOf();
  };
}
if (!Object.prototype.toJSONString) {
  Object.prototype.toJSONString = function (filter) {
    return JSON.stringify(this, filter);
  };
  Object.prototype.parseJSON = function (filter) {
    return JSON.parse(this, filter);
  };
}
)JS";

}  // namespace vidlark
