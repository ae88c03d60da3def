package tarvo;

import java.lang.reflect.Method;

/** Life of the wrapped engine objects: creation, disposal, misuse after disposal, library set-up. */
public class NetworkLifeTest {
    public void testCreateAndDispose() {
        Network net = new Network();
        Check.isTrue(net.ptrNative != 0, "a new network has an engine network");
        net.dispose();
        Check.equal(0L, net.ptrNative);
    }

    public void testNetworksAreDistinct() {
        Network a = new Network();
        Network b = new Network();
        Check.isTrue(a.ptrNative != b.ptrNative, "two networks, two engine networks");
        a.dispose();
        Check.isTrue(b.ptrNative != 0, "disposing of one leaves the other");
        b.dispose();
    }

    public void testSecondDisposeThrows() {
        Network net = new Network();
        net.dispose();
        TARVOException e = Check.raises(TARVOException.class, net::dispose);
        Check.equal("Object already disposed of", e.getMessage());
        Check.equal(0L, net.ptrNative);
    }

    public void testCallAfterDisposeThrows() {
        Network net = new Network();
        net.dispose();
        TARVOException e = Check.raises(TARVOException.class, net::getNodeCount);
        Check.equal("Object already disposed of", e.getMessage());
    }

    public void testDisposedNetworkAsArgumentThrows() {
        Network net = new Network();
        net.dispose();
        TARVOException e = Check.raises(TARVOException.class, () -> new DiagNetwork(net));
        Check.equal("Object already disposed of", e.getMessage());
    }

    public void testEngineErrorText() {
        Network net = new Network();
        try {
            int a = net.addNode(0x12, "A");
            TARVOException e = Check.raises(TARVOException.class, () -> net.addArc(a, a));
            Check.isTrue(e.getMessage().startsWith("TARVO error -2 in function AddArc"), e.getMessage());
        } finally {
            net.dispose();
        }
    }

    public void testCheckText() {
        Network net = new Network();
        try {
            TARVOException e = Check.raises(TARVOException.class, () -> net.addArc(-1, -2));
            Check.equal("Invalid node handle: -1", e.getMessage());
        } finally {
            net.dispose();
        }
    }

    public void testNativeStaticInitMayRunAgain() throws ReflectiveOperationException {
        Method init = Wrapper.class.getDeclaredMethod("nativeStaticInit");
        init.setAccessible(true);
        init.invoke(null);
        Network net = new Network();
        Check.isTrue(net.ptrNative != 0, "networks are still created");
        net.dispose();
        Check.raises(TARVOException.class, net::dispose);
    }
}
