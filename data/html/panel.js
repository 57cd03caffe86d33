// Behaviour shared by the panel pages. The program reads each input's class,
// name, checked state and value at mouse-up, before the click handlers below run,
// and pushes stored values back after a page has loaded.

// The track-edit button. The program calls this with true when the stored
// switch reads non-zero, which means editing is off; the button is "active"
// while editing is on.
function updateToggleButtonState(on) {
  var b = document.querySelector('input.toggleButton');
  if (b) {
    b.classList.toggle('active', !on);
    showToggleState(b);
  }
}

// Enter in the panel.
function myfunction1(a, b) {
  var s = document.getElementById('status');
  if (s) s.textContent = 'Enter (' + a + ', ' + b + ')';
  return a + b;
}

function showToggleState(b) {
  var out = document.querySelector('[data-state-of="' + b.name + '"]');
  if (out) out.textContent = b.classList.contains('active') ? 'on' : 'off';
}

function showValue(input) {
  var out = document.querySelector('output[data-value-of="' + input.name + '"]');
  if (out) out.value = input.value;
}

// The program learns of a change from the mouse-up only: keys must not change a
// control (Space or Enter on a button, arrows on a slider), or the page would show
// what the program does not do. Tab still moves the focus.
['keydown', 'keypress', 'keyup'].forEach(function (type) {
  document.addEventListener(type, function (e) {
    if (e.target && e.target.tagName === 'INPUT' && e.key !== 'Tab') e.preventDefault();
  }, true);
});

document.addEventListener('DOMContentLoaded', function () {
  document.querySelectorAll('input.tab').forEach(function (t) {
    t.addEventListener('click', function () { location.href = t.value + '.htm'; });
  });
  document.querySelectorAll('input.toggleButton').forEach(function (b) {
    b.addEventListener('click', function () { b.classList.toggle('active'); showToggleState(b); });
    showToggleState(b);
  });
  document.querySelectorAll('input.rangeSlider').forEach(function (r) {
    r.addEventListener('input', function () { showValue(r); });
    showValue(r);
  });
});
