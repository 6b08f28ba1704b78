"""What the end-to-end scripts that drive the switch through zeep share: a tally of
checks, a call whose fault becomes its value, and the objects of a generic get."""
import lxml.etree as etree
import zeep


class Checks:
    def __init__(self):
        self.failures = []
        self.passed = 0

    def check(self, what, value, good):
        ok = good(value) if callable(good) else value == good
        print('%-4s %s: %s' % ('ok' if ok else 'FAIL', what, str(value)[:200]), flush=True)
        if ok:
            self.passed += 1
        else:
            self.failures.append('%s: %r' % (what, value))


    def expect(self, what, ok, detail=''):
        """A check of a condition, with `detail` printed."""
        self.check(what, detail, lambda _: bool(ok))


def attempt(call):
    """The call's value, or "fault: TEXT", or "error: ..."."""
    try:
        return call()
    except zeep.exceptions.Fault as f:
        return 'fault: %s' % f.message
    except Exception as e:
        return 'error: %s: %s' % (type(e).__name__, e)


def objects(answer):
    """The objects of a generic get's answer as dicts of their fields' texts (a nested
    field gives the text of its element only)."""
    element = answer if etree.iselement(answer) else getattr(answer, '_value_1', None)
    if isinstance(element, list):
        element = next((e for e in element if etree.iselement(e)), None)
    if element is None:
        return []
    return [{etree.QName(f).localname: (f.text or '') for f in o} for o in element
            if etree.QName(o).localname == 'object']
