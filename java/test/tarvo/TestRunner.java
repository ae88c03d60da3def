package tarvo;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Arrays;
import java.util.Comparator;
import java.util.logging.Logger;

/**
 * Runs the public no-argument methods named test* of the classes named on the command line, each on a
 * new instance. A test that reaches a native method missing from the library fails like any other.
 * Prints "N passed, N failed" and exits with 1 on any failure or when nothing passed. The engine's warnings
 * are not printed: the tests that provoke them read them from the logger.
 */
public final class TestRunner {
    private static final Logger ENGINE_WARNINGS = Logger.getLogger("tarvo");

    private TestRunner() {
    }

    public static void main(String[] args) throws ReflectiveOperationException {
        ENGINE_WARNINGS.setUseParentHandlers(false);
        int passed = 0;
        int failed = 0;
        for (String className : args) {
            Class<?> cls = Class.forName(className);
            Method[] methods = cls.getDeclaredMethods();
            Arrays.sort(methods, Comparator.comparing(Method::getName));
            for (Method method : methods) {
                if (!method.getName().startsWith("test") || method.getParameterCount() != 0
                        || !Modifier.isPublic(method.getModifiers())) {
                    continue;
                }
                String name = cls.getSimpleName() + "." + method.getName();
                Object instance = cls.getDeclaredConstructor().newInstance();
                try {
                    method.invoke(instance);
                    passed++;
                    System.out.println("PASS " + name);
                } catch (InvocationTargetException e) {
                    Throwable cause = e.getCause();
                    failed++;
                    System.out.println("FAIL " + name + ": " + cause);
                    cause.printStackTrace(System.out);
                }
            }
        }
        System.out.println(passed + " passed, " + failed + " failed");
        System.exit(failed == 0 && passed > 0 ? 0 : 1);
    }
}
